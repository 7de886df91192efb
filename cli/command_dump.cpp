// `sharometr-cli dump FILE [--deleted]`: every record the table dataset shows, as the windows and
// the analyses see the table: the record number, then each field's text, tab-separated.
#include <optional>
#include <ostream>

#include "cli/cli.h"
#include "datawin/xbase_dataset.h"

namespace cli {

int commandDump(Arguments args, std::ostream& out, std::ostream& /*err*/)
{
    bool withDeleted = false;
    std::optional<std::string> file;
    for (const std::string& word : args) {
        if (word == "--deleted")
            withDeleted = true;
        else if (word.starts_with("--"))
            throw UsageError("unknown option '" + word + "'");
        else if (file)
            throw UsageError("unexpected argument '" + word + "'");
        else
            file = word;
    }
    if (!file)
        throw UsageError("missing FILE argument");

    TXbaseDataSet data;
    // The dataset finds the table by its name against the current directory, or by a full path.
    data.SetTableName(*file);
    data.SetReadOnly(true);
    data.SetExactCount(true);
    data.SetUseDeleted(withDeleted);
    data.Open();
    for (data.First(); !data.Eof(); data.Next()) {
        out << data.RecNo();
        for (int i = 0; i < data.FieldCount(); ++i)
            out << '\t' << data.Fields(i).AsString();
        out << '\n';
    }
    return kExitOk;
}

}  // namespace cli
