#include "ui/ProbeRow.h"

#include <cstdio>

#include "probe/DelayTimeProbe.h"

namespace quorvex {

namespace {

constexpr std::uint32_t kLargestShownMinimum = 9999;

// "%d" prints the value as a signed 32-bit number, like the cells always have.
std::string Format(const char* format, std::uint32_t value) {
    char text[32];
    std::snprintf(text, sizeof text, format, static_cast<int>(value));
    return text;
}

}  // namespace

ProbeReading ReadProbe(const DelayTimeProbe& probe) {
    ProbeReading reading;
    reading.totalDelayMs = probe.totalDelayMs;
    reading.replyCount = probe.replyCount;
    reading.lastDelayMs = probe.lastDelayMs;
    reading.maxDelayMs = probe.maxDelayMs;
    reading.minDelayMs = probe.minDelayMs;
    reading.lossPercent = probe.LossPercent();
    return reading;
}

std::array<std::string, 5> FormatStatistics(const ProbeReading& r) {
    const std::uint64_t average = r.replyCount == 0 ? 0 : r.totalDelayMs / r.replyCount;
    const std::uint32_t minimum = r.minDelayMs <= kLargestShownMinimum ? r.minDelayMs : 0;
    return {Format("%d ms", static_cast<std::uint32_t>(average)), Format("%d ms", r.lastDelayMs),
            Format("%d ms", r.maxDelayMs), Format("%d ms", minimum),
            Format("%d%%", static_cast<std::uint32_t>(r.lossPercent))};
}

}  // namespace quorvex
