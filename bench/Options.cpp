#include "bench/Options.h"

#include <cstdio>

namespace quorvex::bench {

std::optional<Options> ParseOptions(int argc, char** argv, Options defaults, const char* program) {
    for (int i = 1; i < argc; i += 2) {
        if (!defaults.count(argv[i])) {
            std::fprintf(stderr, "%s: unknown option %s\n", program, argv[i]);
            return std::nullopt;
        }
        if (i + 1 == argc) {
            std::fprintf(stderr, "%s: option %s needs a value\n", program, argv[i]);
            return std::nullopt;
        }
        defaults[argv[i]] = argv[i + 1];
    }
    return defaults;
}

}  // namespace quorvex::bench
