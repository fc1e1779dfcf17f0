// The benchmarks' command lines: "--name value" pairs over a table of defaults.
#pragma once

#include <map>
#include <optional>
#include <string>

namespace quorvex::bench {

using Options = std::map<std::string, std::string>;

// `defaults` with the values given on the command line. An unknown option or one without a
// value is reported on stderr, naming `program`, and gives no result.
std::optional<Options> ParseOptions(int argc, char** argv, Options defaults, const char* program);

}  // namespace quorvex::bench
