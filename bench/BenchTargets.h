// Target lists for the benchmarks: loopback addresses, every one of which the kernel answers.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace quorvex::bench {

// `count` distinct addresses 127.<second>.x.y, x.y counting up from .0.1 (250 per x).
std::vector<std::string> LoopbackTargets(std::size_t count, int second = 1);
// The targets one per line, as a target list file holds them.
std::string TargetListText(const std::vector<std::string>& targets);
// Raises the open-file limit for a manager over `targets` targets; when the limit cannot go
// that high, prints why to stderr, naming `program`, and returns false.
bool EnoughDescriptorsFor(std::size_t targets, const char* program);

}  // namespace quorvex::bench
