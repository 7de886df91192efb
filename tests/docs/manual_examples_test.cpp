// The manual's example commands work as written, in order, in a fresh home folder after a first
// run; every path the manual names exists; the walkthrough opens it, with its screenshots held in
// both forms.
#include "tests/docs/text_rules.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

namespace {

namespace fs = std::filesystem;

// The texts between `open` and `close` in the page, unescaped.
std::vector<std::string> between(const std::string& page, const std::string& open, const std::string& close) {
    std::vector<std::string> found;
    for (std::size_t at = page.find(open); at != std::string::npos; at = page.find(open, at)) {
        const std::size_t end = page.find(close, at);
        found.push_back(textrules::unescaped(page.substr(at + open.size(), end - at - open.size())));
        at = end;
    }
    return found;
}

// The words a command line of the manual may start with. A block whose lines all start so is a
// block of commands; any other block shows what a command prints.
const char* const kCommands[] = {"cd", "mkdir", "mv", "cp", "sharometr-cli", "sudo", "sharometr"};
// Lines that are not run: installing a package needs the superuser, and `sharometr` alone opens
// the window, which the window's own tests cover.
bool notRun(const std::string& line) { return line.starts_with("sudo ") || line == "sharometr"; }

std::string firstWord(const std::string& line) { return line.substr(0, line.find(' ')); }

struct ScriptRun {
    int status;
    std::string output;
};

// Runs a shell script with only HOME and PATH set, from the home folder, as a reader's terminal.
ScriptRun runScript(const std::string& script, const std::string& home, const std::string& scriptPath) {
    testsupport::writeFile(scriptPath, "set -e\ncd \"$HOME\"\n" + script + "\n");
    const std::string command = "env -i HOME='" + home + "' PATH='" + SHAROMETR_CLI_DIR + ":/usr/bin:/bin' " +
                                "/bin/sh '" + scriptPath + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string output;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

// A results file as the manual describes it: a heading line, then a date, a draw number and the
// 20 numbers of a Keno draw on each line, separated by commas.
std::string kenoResults() {
    std::ostringstream csv;
    csv << "Дата,Тираж,Выпавшие номера\n";
    for (int draw = 1; draw <= 60; ++draw) {
        csv << (draw % 28 + 1) << ".11.2026," << 1000 + draw;
        for (int k = 0; k < 20; ++k) csv << ',' << (draw * 7 + k * 3) % 80 + 1;
        csv << '\n';
    }
    return csv.str();
}

// The first run, the same by scripts/run.sh and by the package's sharometr-start: tables of
// sample draws, and the manual beside them.
const struct {
    const char* by;
    const char* lotoOptions;
    const char* kenoOptions;
} kFirstRuns[] = {
    {"scripts/run.sh and sharometr-start", "--sample 100 ", "--sample 50 "},
};

TEST(ManualExamples, EveryCommandWorksAsWrittenAfterAFirstRun) {
    const std::string page = testsupport::readFile(std::string(SHAROMETR_MANUAL_DIR) + "/manual.html");
    testsupport::TempDir dir;
    std::string home;
    for (const auto& firstRun : kFirstRuns) {
        SCOPED_TRACE(firstRun.by);
        home = dir.file(std::string("home-") + (firstRun.lotoOptions[0] != 0 ? "samples" : "empty"));
        fs::create_directories(home);
        const ScriptRun first = runScript("dir=\"$HOME/.local/share/sharometr\"\nmkdir -p \"$dir\"\n" +
                                              std::string("sharometr-cli create --game loto ") + firstRun.lotoOptions +
                                              "\"$dir\"\nsharometr-cli create --game keno " + firstRun.kenoOptions +
                                              "\"$dir\"\ncp '" + SHAROMETR_MANUAL_DIR + "/manual.doc' \"$dir/\"",
                                          home, dir.file("first-run.sh"));
        ASSERT_EQ(first.status, 0) << first.output;
        // What the text asks the reader to have: the results saved from the organiser's site, and
        // the tables of an earlier installation in the folder the terminal opens in.
        testsupport::writeFile(home + "/keno.csv", kenoResults());
        fs::copy_file(std::string(SHAROMETR_SAMPLES_DIR) + "/lotobase.dbf", home + "/lotobase.dbf");
        fs::copy_file(std::string(SHAROMETR_SAMPLES_DIR) + "/kenobase.dbf", home + "/kenobase.dbf");

        int blocks = 0;
        int lines = 0;
        std::string printed;
        for (const std::string& block : between(page, "<pre>", "</pre>")) {
            std::vector<std::string> commands;
            bool allCommands = true;
            std::istringstream in(block);
            for (std::string line; std::getline(in, line);) {
                bool known = false;
                for (const char* command : kCommands) known = known || firstWord(line) == command;
                allCommands = allCommands && known;
                if (!notRun(line)) commands.push_back(line);
            }
            if (!allCommands || commands.empty()) continue;
            std::string script;
            for (const std::string& command : commands) script += command + "\n";
            const ScriptRun run = runScript(script, home, dir.file("block-" + std::to_string(++blocks) + ".sh"));
            EXPECT_EQ(run.status, 0) << "the manual's commands:\n" << script << "printed:\n" << run.output;
            lines += static_cast<int>(commands.size());
            printed += run.output;
        }
        EXPECT_GE(blocks, 4) << "the walkthrough's, the working folder's and the companion's examples";
        EXPECT_GE(lines, 12);
        // The walkthrough replaces the first run's draws by the 60 draws of the results, and the
        // companion's example brings them into a table of its own.
        EXPECT_NE(printed.find(" records with 60 draws\n"), std::string::npos) << printed;
        EXPECT_NE(printed.find("appended 60 draws"), std::string::npos) << printed;
        EXPECT_NE(printed.find("ok: 60 records"), std::string::npos) << printed;
    }

    // Every path the manual names in its fixed-width text.
    const std::string package =
        testsupport::readFile(std::string(SHAROMETR_SOURCE_DIR) + "/tests/install/check_deb_package.cmake");
    int paths = 0;
    for (const std::string& span : between(page, "<code>", "</code>")) {
        if (span.find('/') == std::string::npos || span.find(' ') != std::string::npos) continue;
        ++paths;
        if (span.starts_with("/usr/")) {
            EXPECT_NE(package.find("." + span), std::string::npos) << span << " is not among what the package holds";
        } else if (span.starts_with("~/")) {
            EXPECT_TRUE(fs::exists(home + span.substr(1))) << span;
        } else if (span.starts_with("$XDG_DATA_HOME/")) {
            EXPECT_TRUE(fs::exists(home + "/.local/share" + span.substr(span.find('/')))) << span;
        } else if (span.starts_with("build-run/")) {  // the build folder of scripts/run.sh: this build's
            EXPECT_TRUE(fs::exists(std::string(SHAROMETR_BINARY_DIR) + span.substr(span.find('/')))) << span;
        } else {
            EXPECT_TRUE(fs::exists(std::string(SHAROMETR_SOURCE_DIR) + "/" + span)) << span;
        }
    }
    EXPECT_GE(paths, 8);
}

}  // namespace

namespace {

std::string hexOf(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

std::string base64Of(const std::string& bytes) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t at = 0; at < bytes.size(); at += 3) {
        const std::size_t left = std::min<std::size_t>(3, bytes.size() - at);
        unsigned group = 0;
        for (std::size_t i = 0; i < 3; ++i) {
            group = group << 8 | (i < left ? static_cast<unsigned char>(bytes[at + i]) : 0u);
        }
        for (std::size_t i = 0; i < 4; ++i) text += i <= left ? digits[group >> (18 - 6 * i) & 63] : '=';
    }
    return text;
}

TEST(ManualPictures, TheWalkthroughComesFirstAndBothFormsHoldItsScreenshots) {
    const std::string page = testsupport::readFile(std::string(SHAROMETR_MANUAL_DIR) + "/manual.html");
    std::string rtf = testsupport::readFile(std::string(SHAROMETR_MANUAL_DIR) + "/manual.doc");
    const std::size_t walkthrough = page.find("<h1>Первый вечер");
    const std::size_t firstSection = page.find("<h1>1. ");
    ASSERT_NE(walkthrough, std::string::npos);
    EXPECT_EQ(page.find("<h1>"), walkthrough) << "the walkthrough opens the manual";
    // The RTF's picture data stands in lines of hexadecimal digits.
    std::erase(rtf, '\r');
    std::erase(rtf, '\n');
    for (const char* name : {"data-window.png", "main-window.png", "main-window-keno.png", "import-dialog.png"}) {
        const std::string png = testsupport::readFile(std::string(SHAROMETR_SOURCE_DIR) + "/docs/screenshots/" + name);
        const std::size_t shown = page.find("<img src=\"data:image/png;base64," + base64Of(png) + "\"");
        ASSERT_NE(shown, std::string::npos) << name << " is held in manual.html";
        EXPECT_LT(shown, firstSection) << name << " belongs to the walkthrough";
        EXPECT_NE(rtf.find("\\pngblip"), std::string::npos);
        EXPECT_NE(rtf.find(hexOf(png)), std::string::npos) << name << " is held in manual.doc";
    }
    // The wheel window's picture stands in its own section, after the walkthrough.
    const std::string wheel =
        testsupport::readFile(std::string(SHAROMETR_SOURCE_DIR) + "/docs/screenshots/wheel-dialog.png");
    EXPECT_GT(page.find("<img src=\"data:image/png;base64," + base64Of(wheel) + "\""), firstSection);
    EXPECT_NE(page.find("<img src=\"data:image/png;base64," + base64Of(wheel) + "\""), std::string::npos);
    EXPECT_NE(rtf.find(hexOf(wheel)), std::string::npos) << "wheel-dialog.png is held in manual.doc";
    EXPECT_EQ(between(page, "<img src=\"data:image/png;base64,", "\"").size(), 5u) << "five pictures in the page";
}

}  // namespace
