// A temporary directory for tests that touch real files, removed with everything in it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quorvex::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

    void Write(std::string_view name, std::string_view bytes) const;
    std::string Read(std::string_view name) const;

private:
    std::filesystem::path path_;
};

// Makes `dir` the working directory until destroyed.
class ScopedWorkingDirectory {
public:
    explicit ScopedWorkingDirectory(const std::filesystem::path& dir);
    ~ScopedWorkingDirectory();
    ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
    ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;

private:
    std::filesystem::path previous_;
};

}  // namespace quorvex::test
