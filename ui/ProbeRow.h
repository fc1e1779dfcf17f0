// What one row of the main window shows for a probe: its statistics read once, and their texts.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace quorvex {

class DelayTimeProbe;

// One probe's statistics, each field read on its own (no consistency across fields is needed).
struct ProbeReading {
    std::uint64_t totalDelayMs = 0;
    std::uint64_t replyCount = 0;
    std::uint32_t lastDelayMs = 0;
    std::uint32_t maxDelayMs = 0;
    std::uint32_t minDelayMs = 99999;
    int lossPercent = 0;
};

// Reads the probe's statistics without waiting for the worker thread.
ProbeReading ReadProbe(const DelayTimeProbe& probe);

// Columns 1 to 5: average, current, largest, smallest delay ("%d ms") and loss ("%d%%"). The
// average drops the remainder and is 0 before the first reply; a smallest delay above 9999 ms
// (still the initial 99999) shows as 0.
std::array<std::string, 5> FormatStatistics(const ProbeReading& reading);

}  // namespace quorvex
