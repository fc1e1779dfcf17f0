#include "bench/BenchTargets.h"

#include <cstdio>

#include "manager/OpenFileLimit.h"

namespace quorvex::bench {

std::vector<std::string> LoopbackTargets(std::size_t count, int second) {
    std::vector<std::string> targets;
    targets.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        targets.push_back("127." + std::to_string(second) + "." + std::to_string(i / 250) + "." +
                          std::to_string(1 + i % 250));
    return targets;
}

std::string TargetListText(const std::vector<std::string>& targets) {
    std::string text;
    for (const auto& t : targets) text += t + "\n";
    return text;
}

bool EnoughDescriptorsFor(std::size_t targets, const char* program) {
    const std::size_t needed = DescriptorsForTargets(targets);
    const std::size_t limit = RaiseOpenFileLimit(needed);
    if (limit >= needed) return true;
    std::fprintf(stderr,
                 "%s: %zu targets need %zu open files (one raw socket each), but this process may "
                 "open only %zu (the hard limit, ulimit -Hn); use fewer targets or raise the hard "
                 "limit\n",
                 program, targets, needed, limit);
    return false;
}

}  // namespace quorvex::bench
