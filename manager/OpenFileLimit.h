// The process's open-file limit. Every probe holds one raw socket, so a long target list needs
// more descriptors than the usual soft limit of 1024; the hard limit is the ceiling an
// unprivileged process may raise its soft limit to (setrlimit(2), RLIMIT_NOFILE).
#pragma once

#include <cstddef>

namespace quorvex {

// Raises the soft RLIMIT_NOFILE to `needed` descriptors, or to the hard limit when that is
// lower; never lowers it. Returns the soft limit in force afterwards (0 when it cannot be read).
// A result below `needed` means the process cannot hold that many descriptors.
std::size_t RaiseOpenFileLimit(std::size_t needed);

// Descriptors a manager over `targets` targets needs: one socket per probe and a reserve for
// the process's other files (standard streams, the I/O service's epoll and eventfd, libraries).
std::size_t DescriptorsForTargets(std::size_t targets);

}  // namespace quorvex
