// What the tests of sharometr-cli share: running a command in-process or the program itself with
// its output captured, a fixed local clock, another process holding a lock on a table, and the
// checks of a refused command line and of a table another program has open.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli.h"
#include "dbf/table_handler.h"
#include "platform/local_time.h"
#include "tests/support/child_process.h"
#include "tests/support/cli_run.h"
#include "tests/support/dbf_image.h"
#include "tests/support/files.h"

extern char** environ;

namespace cli_test {

// Exit status (-1 when the program did not exit normally) and both outputs.
using ProgramResult = testsupport::CliOutcome;
// One command line through the dispatcher, as the program runs it, in this process.
using testsupport::runCli;

using UsageCases = std::vector<std::pair<std::vector<std::string>, std::string>>;

// Each command line is refused as a usage error of `command`: the usage exit status, nothing on
// standard output, and on standard error the reason given for it followed by the usage.
inline void expectUsageErrors(const std::string& command, const UsageCases& cases) {
    for (const auto& [args, reason] : cases) {
        const auto usage = runCli(args);
        EXPECT_EQ(usage.status, cli::kExitUsage) << reason;
        EXPECT_EQ(usage.out, "") << reason;
        EXPECT_EQ(usage.err.rfind("sharometr-cli " + command + ": " + reason + "\nusage: ", 0), 0u) << usage.err;
    }
}

// `args` are refused while another program has the table at `path` open, shared, for writing
// when `forWriting`: "File access denied", and the file as it was.
inline void expectRefusedWhileOpenElsewhere(const std::vector<std::string>& args, const std::string& path,
                                            bool forWriting) {
    const std::string before = testsupport::readFile(path);
    testsupport::Child other([&](testsupport::Child& self) {
        DBFObject table(path, "", forWriting, true);
        self.tell('O');
        self.hear();
        return 0;
    });
    ASSERT_EQ(other.receive(), 'O');
    const auto refused = runCli(args);
    EXPECT_EQ(refused.status, cli::kExitFailure);
    EXPECT_EQ(refused.err, "File access denied - " + path + "\n");
    EXPECT_TRUE(testsupport::readFile(path) == before);
    other.send('Q');
    EXPECT_EQ(other.wait(), 0);
}

// Runs `program` with `args`, standard input from `input` (/dev/null unless given), standard
// output and error into files of `scratch`.
inline ProgramResult runProgram(const std::string& program, const std::vector<std::string>& args,
                                const testsupport::TempDir& scratch, const std::string& input = "/dev/null") {
    const std::string outPath = scratch.file("program.out");
    const std::string errPath = scratch.file("program.err");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start " + program);
    int wait = 0;
    while (::waitpid(pid, &wait, 0) < 0) {
        if (errno != EINTR) throw std::runtime_error("cannot wait for " + program);
    }

    ProgramResult result;
    result.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
    result.out = testsupport::readFile(outPath);
    result.err = testsupport::readFile(errPath);
    return result;
}

// The local clock stands at `now` until the object goes.
class FixedClock {
public:
    explicit FixedClock(const platform::LocalTime& now) {
        platform::overrideLocalTime([now] { return now; });
    }
    ~FixedClock() { platform::overrideLocalTime({}); }
    FixedClock(const FixedClock&) = delete;
    FixedClock& operator=(const FixedClock&) = delete;
};

// The update stamp the engine writes for a clock reading.
inline std::uint32_t updateStamp(const platform::LocalTime& t) {
    return static_cast<std::uint32_t>(((t.hour * 64 + t.minute) * 64 + t.second) * 1024 + t.millisecond);
}

using testsupport::ForeignLock;

}  // namespace cli_test
