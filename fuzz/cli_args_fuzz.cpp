// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of `tarvel frame` from arbitrary bytes: the input is split at NUL bytes
// into arguments. Whatever they are, the tool must answer with status 0 or 2, print the
// frame or exactly one error line, and never crash.

#include "cli/Cli.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> args {"frame"};
    std::string current;
    for (std::size_t i = 0; i < size && args.size() < 64; ++i) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    args.push_back(current);

    std::ostringstream out, err;
    const int status = tarvel::cli::runCli(args, out, err);
    const std::string o = out.str(), e = err.str();
    if (status == 0 && !e.empty())
        std::abort(); // success never complains
    if (status == 2 && (!o.empty() || e.empty() || e.find('\n') != e.size() - 1))
        std::abort(); // a refusal is one line on stderr and nothing on stdout
    if (status != 0 && status != 2)
        std::abort();
    return 0;
}
