// The target texts LoadTargetList delivers from `file`, in order.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "manager/TargetList.h"

namespace quorvex::test {

using Targets = std::vector<std::string>;

inline Targets LoadTargets(const std::filesystem::path& file) {
    Targets targets;
    LoadTargetList([&](const std::string& target) { targets.push_back(target); }, file);
    return targets;
}

}  // namespace quorvex::test
