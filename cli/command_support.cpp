// Record numbers, record checks and record locks for the commands that change a table.
#include "cli/command_support.h"

#include <filesystem>
#include <ostream>
#include <vector>

#include "cli/cli.h"
#include "dbf/constants.h"
#include "dbf/table_file.h"
#include "dbf/table_handler.h"
#include "dbf/text_numbers.h"
#include "dbf/error_report.h"

namespace cli {

bool changesTables(Arguments args) {
    if (args.empty()) return false;
    const std::string& command = args.front();
    for (const char* writer : {"add", "set", "delete", "recall", "pack", "import", "create"})
        if (command == writer) return true;
    // The words of the line, options and their values left out (every option of tickets takes a
    // value; check's --repair none), up to the "--" that ends the options.
    std::vector<std::string> words;
    bool repair = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--") {
            words.insert(words.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        }
        if (word == "--repair") {
            repair = true;
        } else if (word.rfind("--", 0) == 0) {
            if (word.find('=') == std::string::npos) ++i;
        } else {
            words.push_back(word);
        }
    }
    if (command == "check") return repair;
    return command == "tickets" && words.size() > 1 && (words[1] == "add" || words[1] == "delete");
}

int withOutputChecked(Arguments args, int status, std::ostream& out, std::ostream& err) {
    if (out.flush()) return status;
    if (status == kExitOk && changesTables(args)) {
        err << "sharometr-cli " << args.front()
            << ": done, its changes are made, but its report could not be written to standard output\n";
        return kExitUnreported;
    }
    err << "sharometr-cli: cannot write the output\n";
    return status == kExitOk ? kExitFailure : status;
}

bool opensADirectory(const EXbaseError& error) {
    std::error_code failed;
    return error.Code() == xb::kAccessDenied && error.Location() == xb::loc::kOpen &&
           std::filesystem::is_directory(error.Information(), failed);
}

EXbaseError asNotARegularFile(const EXbaseError& error) {
    return EXbaseError(xb::kNotRegularFile, error.Location(), error.Information());
}

std::uint64_t recordNumberArgument(const std::string& text) {
    const auto number = decimalNumber(text);
    if (!number) throw UsageError("'" + text + "' is not a record number");
    return *number;
}

void noteCaseVariants(const std::string& file, std::ostream& err) {
    std::string name = xb::trimBlanksAndControls(file);
    if (xb::lacksTableExtension(name)) name += xb::kTableExtension;
    const std::vector<std::string> variants = xb::caseVariantsOf(name);
    if (variants.size() < 2) return;
    const std::string used = xb::openedPathOf(name);
    err << "sharometr-cli: " << file << " names " << variants.size() << " files that differ only in letter case (";
    for (std::size_t i = 0; i < variants.size(); ++i) err << (i ? ", " : "") << variants[i];
    err << "); using " << used.substr(used.find_last_of('/') + 1) << '\n';
}

bool recordExists(const DBFObject& table, std::uint64_t number, const std::string& asGiven, std::ostream& err) {
    const std::uint32_t count = table.recordCount();
    if (number < 1 || number > count) {
        err << "record " << asGiven << " does not exist: the table has " << counted(count, "record") << '\n';
        return false;
    }
    return true;
}

RecordLock::RecordLock(DBFObject& table, std::uint64_t number)
    : m_table(table), m_held(table.lockAndReadRecord(static_cast<std::uint32_t>(number))) {}

RecordLock::~RecordLock() {
    if (m_held) m_table.unlock();
}

}  // namespace cli
