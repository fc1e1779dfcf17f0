#include "tests/support/TempDir.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace quorvex::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvex-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

void TempDir::Write(std::string_view name, std::string_view bytes) const {
    std::ofstream out(path_ / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempDir::Read(std::string_view name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

ScopedWorkingDirectory::ScopedWorkingDirectory(const std::filesystem::path& dir)
    : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
}

ScopedWorkingDirectory::~ScopedWorkingDirectory() {
    std::error_code ec;
    std::filesystem::current_path(previous_, ec);
}

}  // namespace quorvex::test
