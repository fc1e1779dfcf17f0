#include "manager/OpenFileLimit.h"

#include <sys/resource.h>

#include <limits>

namespace quorvex {

namespace {

// What the process keeps open besides the probes' sockets, with room to spare.
constexpr std::size_t kReserveDescriptors = 64;

std::size_t ToSize(rlim_t value) {
    if (value == RLIM_INFINITY || value > std::numeric_limits<std::size_t>::max())
        return std::numeric_limits<std::size_t>::max();
    return static_cast<std::size_t>(value);
}

}  // namespace

std::size_t RaiseOpenFileLimit(std::size_t needed) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
    if (ToSize(limit.rlim_cur) >= needed) return ToSize(limit.rlim_cur);
    const rlimit raised{ToSize(limit.rlim_max) < needed ? limit.rlim_max
                                                         : static_cast<rlim_t>(needed),
                        limit.rlim_max};
    // Even the hard limit may be refused (the kernel caps it at fs.nr_open); then the soft limit
    // stays as it was, and that is what the caller learns.
    if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) return ToSize(raised.rlim_cur);
    return ToSize(limit.rlim_cur);
}

std::size_t DescriptorsForTargets(std::size_t targets) { return targets + kReserveDescriptors; }

}  // namespace quorvex
