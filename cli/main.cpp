// Entry point of sharometr-cli: hands the command line to the dispatcher.
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return cli::run(args, std::cout, std::cerr);
}
