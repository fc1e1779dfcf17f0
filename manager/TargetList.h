// The target list: "config.ini" in the working directory, one target per line.
//
//   - a line ends at LF; a CR directly before the LF is not part of it; the last line needs no LF
//   - a line whose very first byte is '#' is a comment; an empty line is ignored
//   - every other line is a target text, taken whole: no trimming, no check of form; a NUL byte
//     ends it; at most 1023 bytes are taken, the rest of a longer line is skipped
//
// When no file of that name exists, the default list is written first (created exclusively:
// an existing file is never truncated or replaced). Only regular files are read, so a FIFO or a
// device under that name can never make start-up wait.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace quorvex {

inline constexpr const char* kTargetListFile = "config.ini";
inline constexpr std::size_t kMaxTargetTextLength = 1023;

// Written when the target list does not exist: a public DNS resolver and a public web host.
inline constexpr std::string_view kDefaultTargetList =
    "#IP Check\n"
    "8.8.8.8\n"
    "#Domain Name Check\n"
    "www.example.com";

// Calls `action` once per target text, in file order, each call before the next line is read.
// An exception from `action` ends the reading and passes to the caller. A file that cannot be
// opened (after the one attempt to write the default) gives no call at all.
void LoadTargetList(const std::function<void(const std::string&)>& action,
                    const std::filesystem::path& file = kTargetListFile);

}  // namespace quorvex
