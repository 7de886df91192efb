// Runs a program of the build with its output captured, for the tests that check what a shell
// sees of it: exit status, standard output, standard error.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/dbf_image.h"

extern char** environ;

namespace cli_test {

struct ProgramResult {
    int status = -1;  // exit status; -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs `program` with `args`, standard input from /dev/null, standard output and error into
// files of `scratch`.
inline ProgramResult runProgram(const std::string& program, const std::vector<std::string>& args,
                                const testsupport::TempDir& scratch)
{
    const std::string outPath = scratch.file("program.out");
    const std::string errPath = scratch.file("program.err");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::runtime_error("cannot start " + program);
    int wait = 0;
    while (::waitpid(pid, &wait, 0) < 0) {
        if (errno != EINTR)
            throw std::runtime_error("cannot wait for " + program);
    }

    ProgramResult result;
    result.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
    result.out = testsupport::readFile(outPath);
    result.err = testsupport::readFile(errPath);
    return result;
}

}  // namespace cli_test
