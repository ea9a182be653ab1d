// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Cli.h"

#include <iostream>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    return tarvel::cli::runCli(args, std::cout, std::cerr);
}
