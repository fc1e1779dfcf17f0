// Writes arbitrary bytes as a target list and reads it back. Every delivered text must be what
// the line rules make of the bytes, and the file must come out of the read unchanged.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "manager/TargetList.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

// The line rules, written out plainly: split at LF; a CR right before the LF goes; at most
// 1023 bytes are kept; a NUL ends the text; empty and '#' lines give nothing.
std::vector<std::string> ExpectedTargets(const std::string& bytes) {
    std::vector<std::string> targets;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t lf = bytes.find('\n', start);
        const bool endedByLf = lf != std::string::npos;
        std::string line = bytes.substr(start, (endedByLf ? lf : bytes.size()) - start);
        start = endedByLf ? lf + 1 : bytes.size();
        line.resize(std::min(line.size(), quorvex::kMaxTargetTextLength + 1));
        if (endedByLf && !line.empty() && line.back() == '\r') line.pop_back();
        line.resize(std::min(line.size(), quorvex::kMaxTargetTextLength));
        line.resize(line.find('\0') == std::string::npos ? line.size() : line.find('\0'));
        if (!line.empty() && line.front() != '#') targets.push_back(line);
    }
    return targets;
}

class ScratchDir {
public:
    ScratchDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "quorvex-fuzz-XXXXXX").string();
        Require(::mkdtemp(pattern.data()) != nullptr);
        path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::filesystem::path File() const { return path_ / "config.ini"; }

private:
    std::filesystem::path path_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScratchDir dir;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream out(dir.File(), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        Require(out.good());
    }

    std::vector<std::string> targets;
    quorvex::LoadTargetList([&](const std::string& target) { targets.push_back(target); },
                            dir.File());

    for (const std::string& target : targets) {
        Require(!target.empty() && target.size() <= quorvex::kMaxTargetTextLength);
        Require(target.find('\0') == std::string::npos && target.find('\n') == std::string::npos);
        Require(target.front() != '#');
    }
    Require(targets == ExpectedTargets(bytes));

    std::ifstream in(dir.File(), std::ios::binary);
    Require(std::string(std::istreambuf_iterator<char>(in), {}) == bytes);
    return 0;
}
