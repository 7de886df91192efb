// `sharometr-cli dump FILE [--deleted] [--format tsv|csv|json]`: every record the table dataset
// shows, as the windows and the analyses see the table: the record number, then each field's
// text. tsv is the plain form (no header, the table's own bytes); csv and json name the fields,
// are written in UTF-8, and with --deleted say which records are deleted.
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"
#include "cli/options.h"
#include "datawin/xbase_dataset.h"
#include "dbf/table_handler.h"
#include "dbf/text_numbers.h"

namespace cli {

namespace {

enum class Format { Tsv, Csv, Json };

Format formatNamed(const std::string& name)
{
    if (name == "tsv")
        return Format::Tsv;
    if (name == "csv")
        return Format::Csv;
    if (name == "json")
        return Format::Json;
    throw UsageError("unknown format '" + name + "' (tsv, csv or json)");
}

// A field of a CSV line: quoted when it holds a separator, a quote, a line end or edge blanks.
std::string csvField(const std::string& text)
{
    const bool plain = text.find_first_of(",\"\r\n") == std::string::npos &&
                       (text.empty() || (text.front() != ' ' && text.back() != ' '));
    if (plain)
        return text;
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string jsonString(std::string_view text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20) {
            static constexpr char kHex[] = "0123456789abcdef";
            quoted += "\\u00";
            quoted += kHex[byte >> 4];
            quoted += kHex[byte & 0x0F];
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

// A JSON number as the grammar has it: -?digits, an optional fraction.
bool jsonNumber(std::string_view text)
{
    if (text.starts_with('-'))
        text.remove_prefix(1);
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? "0" : text.substr(point + 1);
    const auto digits = [](std::string_view part) {
        return !part.empty() && part.find_first_not_of("0123456789") == std::string_view::npos;
    };
    return digits(whole) && digits(fraction) && (whole == "0" || whole[0] != '0');
}

bool numericField(const TField& field)
{
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

int commandDump(Arguments args, std::ostream& out, std::ostream& /*err*/)
{
    const ParsedArguments line = parseArguments(args, {{"--deleted"}, {"--format", "FORMAT"}});
    const std::string& file = line.positional(0, "FILE");
    line.noMoreThan(1);
    const bool withDeleted = line.has("--deleted");
    const Format format = formatNamed(line.value("--format").value_or("tsv"));

    TXbaseDataSet data;
    // The dataset finds the table by its name against the current directory, or by a full path.
    data.SetTableName(file);
    data.SetReadOnly(true);
    data.SetExactCount(true);
    data.SetUseDeleted(withDeleted);
    data.Open();
    // The deletion flags, read by a table object of its own so that the dataset's place stays.
    std::unique_ptr<DBFObject> flags;
    if (withDeleted && format != Format::Tsv)
        flags = std::make_unique<DBFObject>(data.Engine()->path(), "", /*readWrite=*/false, /*shared=*/true);
    const auto deleted = [&](int record) {
        flags->readRecord(record);
        return flags->isDeleted();
    };

    if (format == Format::Csv) {
        out << "record" << (flags ? ",deleted" : "");
        for (int i = 0; i < data.FieldCount(); ++i)
            out << ',' << csvField(xb::textToUtf8(data.Fields(i).FieldName()));
        out << '\n';
    } else if (format == Format::Json) {
        out << "[";
    }
    bool first = true;
    for (data.First(); !data.Eof(); data.Next()) {
        const int record = data.RecNo();
        switch (format) {
            case Format::Tsv:
                out << record;
                for (int i = 0; i < data.FieldCount(); ++i)
                    out << '\t' << data.Fields(i).AsString();
                break;
            case Format::Csv:
                out << record;
                if (flags)
                    out << (deleted(record) ? ",true" : ",false");
                for (int i = 0; i < data.FieldCount(); ++i)
                    out << ',' << csvField(xb::textToUtf8(data.Fields(i).AsString()));
                break;
            case Format::Json:
                out << (first ? "\n" : ",\n") << "  {\"record\": " << record;
                if (flags)
                    out << ", \"deleted\": " << (deleted(record) ? "true" : "false");
                for (int i = 0; i < data.FieldCount(); ++i) {
                    const TField& field = data.Fields(i);
                    const std::string text = xb::textToUtf8(field.AsString());
                    out << ", " << jsonString(xb::textToUtf8(field.FieldName())) << ": "
                        << (numericField(field) && jsonNumber(text) ? text : jsonString(text));
                }
                out << '}';
                break;
        }
        if (format != Format::Json)
            out << '\n';
        first = false;
    }
    if (format == Format::Json)
        out << "\n]\n";
    return kExitOk;
}

}  // namespace cli
