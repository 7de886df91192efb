// Entry point of sharometr-cli: hands the command line to the dispatcher.
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    int status = cli::run(args, std::cout, std::cerr);
    // Output that never arrived (a full disk, a closed pipe) must not pass for success.
    if (!std::cout.flush() && status == cli::kExitOk) {
        std::cerr << "sharometr-cli: cannot write the output\n";
        status = cli::kExitFailure;
    }
    return status;
}
