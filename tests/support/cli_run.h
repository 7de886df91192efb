// For the tests of sharometr-cli's commands: one command line run through the dispatcher in this
// process, as the program runs it, with its exit status and both outputs captured. Header only:
// the test program that includes it links the companion's library.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace testsupport {

struct CliOutcome {
    int status = -1;
    std::string out;
    std::string err;
};

inline CliOutcome runCli(const std::vector<std::string>& words) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = cli::run(words, out, err);
    return {status, out.str(), err.str()};
}

}  // namespace testsupport
