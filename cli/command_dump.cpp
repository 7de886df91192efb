// `sharometr-cli dump FILE [--deleted] [--format tsv|csv|json]`: every record the table dataset
// shows, as the windows and the analyses see the table: the record number, then each field's
// text. tsv is the plain form (no header); csv and json name the fields and with --deleted say
// which records are deleted. Every form writes its text in UTF-8, through one conversion, so that
// a name reads the same whichever form shows it.
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"
#include "cli/command_support.h"
#include "cli/options.h"
#include "cli/output_format.h"
#include "dataset/xbase_dataset.h"
#include "dbf/table_handler.h"
#include "dbf/text_numbers.h"

namespace cli {

namespace {

bool numericField(const TField& field) {
    switch (field.DataType()) {
        case TFieldType::ftSmallint:
        case TFieldType::ftInteger:
        case TFieldType::ftFloat:
            return true;
        default:
            return false;
    }
}

}  // namespace

// The three output forms side by side, header, rows and end, so that they stay alike.
int commandDump(Arguments args, std::ostream& out, std::ostream& err) {
    const ParsedArguments line = parseArguments(args, {{"--deleted"}, {"--format", "FORMAT"}});
    const std::string& file = line.positional(0, "FILE");
    line.noMoreThan(1);
    const bool withDeleted = line.has("--deleted");
    const OutputFormat format = formatOption(line);

    noteCaseVariants(file, err);
    TXbaseDataSet data;
    // The dataset finds the table by its name against the current directory, or by a full path.
    data.SetTableName(file);
    data.SetReadOnly(true);
    data.SetExactCount(true);
    data.SetUseDeleted(withDeleted);
    data.Open();
    // One pass from first to last: read in blocks, not a read per record.
    data.SetReadAhead(true);
    // The records as the file holds them, read by a table object of its own so that the dataset's
    // place stays: the deletion flags, and which numbers are blank (the dataset reads them as 0).
    DBFObject raw(data.Engine()->path(), "", /*readWrite=*/false, /*shared=*/true);
    raw.setReadAhead(true);
    const bool flags = withDeleted && format != OutputFormat::Tsv;
    const auto deleted = [&] { return raw.isDeleted(); };
    const auto blank = [&](const TField& field) {
        return numericField(field) && xb::trimRight(xb::trimLeft(raw.getText(field.FieldNo()))).empty();
    };
    // A field's text for output, the same in every form: empty for a blank number.
    const auto text = [&](const TField& field) {
        return blank(field) ? std::string() : xb::textToUtf8(field.AsString());
    };

    if (format == OutputFormat::Csv) {
        out << "record" << (flags ? ",deleted" : "");
        for (int i = 0; i < data.FieldCount(); ++i) out << ',' << csvField(xb::textToUtf8(data.Fields(i).FieldName()));
        out << '\n';
    } else if (format == OutputFormat::Json) {
        out << "[";
    }
    bool first = true;
    for (data.First(); !data.Eof(); data.Next()) {
        const int record = data.RecNo();
        raw.readRecord(record);
        switch (format) {
            case OutputFormat::Tsv:
                out << record;
                for (int i = 0; i < data.FieldCount(); ++i) out << '\t' << text(data.Fields(i));
                break;
            case OutputFormat::Csv:
                out << record;
                if (flags) out << (deleted() ? ",true" : ",false");
                for (int i = 0; i < data.FieldCount(); ++i)
                    out << ',' << (blank(data.Fields(i)) ? std::string() : csvField(text(data.Fields(i))));
                break;
            case OutputFormat::Json:
                out << (first ? "\n" : ",\n") << "  {\"record\": " << record;
                if (flags) out << ", \"deleted\": " << (deleted() ? "true" : "false");
                for (int i = 0; i < data.FieldCount(); ++i) {
                    const TField& field = data.Fields(i);
                    const std::string value = text(field);
                    out << ", " << jsonString(xb::textToUtf8(field.FieldName())) << ": "
                        << (blank(field)                               ? std::string("null")
                            : numericField(field) && jsonNumber(value) ? value
                                                                       : jsonString(value));
                }
                out << '}';
                break;
        }
        if (format != OutputFormat::Json) out << '\n';
        first = false;
    }
    if (format == OutputFormat::Json) out << "\n]\n";
    return kExitOk;
}

}  // namespace cli
