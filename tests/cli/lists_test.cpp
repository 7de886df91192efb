// What lists the companion's commands, options, analyses and methods besides its own help: the
// shell completion, the manual page, the README and the user manual. Each is compared with the
// program (its help, the registry of analyses, the back-test's methods), so that none of them can
// fall behind a new command, option or analysis.
#include <algorithm>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "backtest/backtest.h"
#include "cli_test_helpers.h"

namespace {

using cli_test::runCli;
using cli_test::runProgram;
using testsupport::TempDir;

const std::string kSource = SHAROMETR_SOURCE_DIR;

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::set<std::string> wordsOf(const std::string& lines) {
    std::istringstream in(lines);
    std::set<std::string> words;
    for (std::string word; in >> word;) words.insert(word);
    return words;
}

// The options a text names (--dir, --skip-duplicates), roff's \- read as -; not --help.
std::set<std::string> optionsIn(std::string text) {
    for (std::size_t at; (at = text.find("\\-")) != std::string::npos;) text.replace(at, 2, "-");
    std::set<std::string> options;
    static const std::regex option("--[a-z][a-z-]*[a-z]");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator(); ++it)
        options.insert(it->str());
    options.erase("--help");
    return options;
}

std::string helpOf(std::string_view command) { return runCli({std::string(command), "--help"}).out; }

std::vector<std::string> analysisNames() {
    std::vector<std::string> names;
    for (const Analysis& analysis : Analyses()) names.emplace_back(analysis.cliName);
    return names;
}

std::vector<std::string> methodNames() {
    std::vector<std::string> names;
    for (const BacktestMethod& method : BacktestMethods()) names.emplace_back(method.cliName);
    return names;
}

// What bash completes for the words of a command line, the last one being completed, with the
// completion shipped in the package (bash-completion's own start replaced by its plain effect).
std::set<std::string> completed(const std::vector<std::string>& words) {
    std::string line = "'" + std::string(SHAROMETR_CLI_PROGRAM) + "'";
    for (const std::string& word : words) line += " '" + word + "'";
    std::ostringstream script;
    script << "_init_completion() { words=(\"${COMP_WORDS[@]}\"); cword=$COMP_CWORD; cur=${words[cword]};"
           << " prev=${words[cword-1]}; }\n"
           << "complete() { :; }\n"
           << "source '" << kSource << "/packaging/sharometr-cli.bash-completion'\n"
           << "COMP_WORDS=(" << line << "); COMP_CWORD=" << words.size() << "\n"
           << "_sharometr_cli; printf '%s\\n' \"${COMPREPLY[@]}\"\n";
    TempDir scratch;
    const auto result = runProgram("/bin/bash", {"-c", script.str()}, scratch);
    EXPECT_EQ(result.status, 0) << result.err;
    return wordsOf(result.out);
}

TEST(Lists, TheCompletionOffersWhatTheProgramTakes) {
    std::set<std::string> expected{"all"};
    for (const std::string& name : analysisNames()) expected.insert(name);
    EXPECT_EQ(completed({"analyze", "loto", ""}), expected);

    expected = {"all", "tickets"};
    for (const std::string& name : methodNames()) expected.insert(name);
    EXPECT_EQ(completed({"backtest", "keno", ""}), expected);
    EXPECT_EQ(completed({"tickets", "keno", ""}), (std::set<std::string>{"add", "list", "delete", "check"}));

    expected = {"--help", "--version"};
    for (const cli::Command& command : cli::commands()) expected.insert(std::string(command.name));
    EXPECT_EQ(completed({""}), expected);
    expected = optionsIn(helpOf("import"));
    expected.insert("--help");
    EXPECT_EQ(completed({"import", "t.dbf", "-"}), expected);
    EXPECT_EQ(completed({"analyze", "loto", "histogram", "--f"}), (std::set<std::string>{"--format"}));
}

// The manual page's entry of each command: from its ".TP" line ".B name ..." to the next entry or
// section.
std::string manualEntry(const std::string& page, std::string_view name) {
    const std::string start = ".TP\n.B " + std::string(name) + " ";
    const std::size_t at = page.find(start);
    if (at == std::string::npos) return {};
    const std::size_t end = std::min(page.find("\n.TP\n", at + 1), page.find("\n.SH ", at + 1));
    return page.substr(at, end - at);
}

TEST(Lists, TheManualPageHasEveryCommandAndOptionOfTheHelp) {
    const std::string page = fileText(SHAROMETR_CLI_MAN_PAGE);
    for (const cli::Command& command : cli::commands()) {
        SCOPED_TRACE(std::string(command.name));
        const std::string entry = manualEntry(page, command.name);
        ASSERT_FALSE(entry.empty()) << "no entry";
        EXPECT_EQ(optionsIn(entry), optionsIn(helpOf(command.name)));
    }
    // Every name, in bold, in the entry of its command.
    for (const std::string& name : analysisNames())
        EXPECT_NE(manualEntry(page, "analyze").find("\\fB" + name + "\\fP"), std::string::npos) << name;
    for (const std::string& name : methodNames())
        EXPECT_NE(manualEntry(page, "backtest").find("\\fB" + name + "\\fP"), std::string::npos) << name;
    EXPECT_EQ(page.find('@'), std::string::npos) << "a name left unfilled";
}

// The README's row of a table that starts with `start`.
std::string readmeRow(const std::string& readme, const std::string& start) {
    const std::size_t at = readme.find("\n" + start);
    if (at == std::string::npos) return {};
    return readme.substr(at + 1, readme.find('\n', at + 1) - at - 1);
}

TEST(Lists, TheReadmeAndTheUserManualNameEveryAnalysisCommandAndOption) {
    const std::string readme = fileText(kSource + "/README.md");
    // The table of the analyses, a row each in menu order.
    const std::string header = "| item | what the board shows |\n|---|---|\n";
    const std::size_t table = readme.find(header);
    ASSERT_NE(table, std::string::npos);
    std::istringstream rows(readme.substr(table + header.size()));
    for (const Analysis& analysis : Analyses()) {
        std::string row;
        std::getline(rows, row);
        EXPECT_EQ(row.rfind("| " + std::string(analysis.menuCaption) + " (", 0), 0u) << row;
    }
    std::string after;
    std::getline(rows, after);
    EXPECT_TRUE(after.empty()) << "a row of no analysis: " << after;

    // The table of the commands: a row each, with every option of its help.
    for (const cli::Command& command : cli::commands()) {
        SCOPED_TRACE(std::string(command.name));
        std::string row = readmeRow(readme, "| `" + std::string(command.name) + " ");
        if (row.empty()) row = readmeRow(readme, "| `delete FILE RECNO`, `" + std::string(command.name) + " ");
        ASSERT_FALSE(row.empty()) << "no row";
        for (const std::string& option : optionsIn(helpOf(command.name)))
            EXPECT_NE(row.find(option), std::string::npos) << option;
    }
    const std::string analyze = readmeRow(readme, "| `analyze ");
    for (const Analysis& analysis : Analyses())
        EXPECT_NE(analyze.find("`" + std::string(analysis.cliName) + "` (" + analysis.menuCaption + ")"),
                  std::string::npos)
            << analysis.cliName;
    const std::string backtest = readmeRow(readme, "| `backtest ");
    for (const std::string& name : methodNames()) EXPECT_NE(backtest.find("`" + name + "`"), std::string::npos) << name;

    // The user manual: its table of the commands, a row each with every option of the help, and
    // each analysis named beside its caption.
    const std::string manual = fileText(kSource + "/docs/manual_text.py");
    for (const cli::Command& command : cli::commands()) {
        SCOPED_TRACE(std::string(command.name));
        const std::size_t at = manual.find("\n    ['" + std::string(command.name) + " ");
        ASSERT_NE(at, std::string::npos) << "no row in COMPANION_COMMANDS";
        const std::string row = manual.substr(at, manual.find("'],\n", at) - at);
        for (const std::string& option : optionsIn(helpOf(command.name)))
            EXPECT_NE(row.find(option), std::string::npos) << option;
    }
    for (const std::string& name : analysisNames()) EXPECT_NE(manual.find(name + " ("), std::string::npos) << name;
}

}  // namespace
