// The target list reader on real files in a temporary directory.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "manager/TargetList.h"
#include "tests/manager/LoadTargets.h"
#include "tests/support/ProcessState.h"
#include "tests/support/TempDir.h"

namespace quorvex {
namespace {

using test::Targets;
using test::TempDir;

struct LineCase {
    const char* name;
    std::string content;
    Targets targets;
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

class TargetListLines : public testing::TestWithParam<LineCase> {};

TEST_P(TargetListLines, DeliversTheTargetTextsInFileOrder) {
    TempDir dir;
    dir.Write("config.ini", GetParam().content);
    EXPECT_EQ(test::LoadTargets(dir / "config.ini"), GetParam().targets);
    EXPECT_EQ(dir.Read("config.ini"), GetParam().content) << "the reader never writes";
}

const std::string k1023(1023, 'a');

INSTANTIATE_TEST_SUITE_P(
    Cases, TargetListLines,
    testing::Values(
        LineCase{"empty_file", "", {}},
        LineCase{"comments_and_empty_lines_only", "#one\n\n#two\n\n", {}},
        LineCase{"targets_between_comments",
                 "#ip\n10.0.0.1\n#name\nhost.test",
                 {"10.0.0.1", "host.test"}},
        LineCase{"hash_after_spaces_is_a_target", "  #x\n", {"  #x"}},
        LineCase{"hash_inside_is_part_of_the_text", "a#b\n", {"a#b"}},
        LineCase{"spaces_are_kept", "host  \n   \n\thost\n", {"host  ", "   ", "\thost"}},
        // A byte-order mark is three bytes in front of the '#': no comment then.
        LineCase{
            "byte_order_mark_before_comment", "\xEF\xBB\xBF#c\nhost\n", {"\xEF\xBB\xBF#c", "host"}},
        LineCase{"crlf_line_ends", "a\r\nb\r\n\r\n#c\r\n", {"a", "b"}},
        LineCase{"cr_elsewhere_is_kept", "a\rb\nc\r", {"a\rb", "c\r"}},
        LineCase{"repeated_host_twice_in_place", "h\nx\nh\n", {"h", "x", "h"}},
        LineCase{"last_line_without_lf", "a\nb", {"a", "b"}},
        LineCase{"nul_ends_the_text", std::string("ab\0cd\n\0x\ny", 11), {"ab", "y"}},
        LineCase{"line_of_1023_bytes", k1023 + "\nnext\n", {k1023, "next"}},
        LineCase{"line_of_1023_bytes_with_crlf", k1023 + "\r\nnext", {k1023, "next"}},
        LineCase{"line_of_1024_bytes_keeps_1023", k1023 + "b\nnext\n", {k1023, "next"}},
        LineCase{"very_long_line_keeps_1023",
                 k1023 + std::string(70000, 'b') + "\nnext",
                 {k1023, "next"}},
        LineCase{"long_line_cut_before_a_hash", k1023 + "#\n#c\n", {k1023}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TargetList, MissingFileIsCreatedWithTheDefaultList) {
    TempDir dir;
    EXPECT_EQ(test::LoadTargets(dir / "config.ini"), (Targets{"8.8.8.8", "www.example.com"}));
    EXPECT_EQ(dir.Read("config.ini"), "#IP Check\n8.8.8.8\n#Domain Name Check\nwww.example.com");
}

TEST(TargetList, ReadsConfigIniOfTheWorkingDirectory) {
    TempDir dir;
    dir.Write("config.ini", "127.0.0.1\n");
    test::ScopedWorkingDirectory cwd(dir.Path());
    Targets targets;
    LoadTargetList([&](const std::string& target) { targets.push_back(target); });
    EXPECT_EQ(targets, Targets{"127.0.0.1"});
}

TEST(TargetList, ExceptionFromTheActionEndsReadingAndClosesTheFile) {
    TempDir dir;
    dir.Write("config.ini", "a\nb\nc\n");
    const int before = test::OpenDescriptorCount();
    Targets seen;
    EXPECT_THROW(LoadTargetList(
                     [&](const std::string& target) {
                         seen.push_back(target);
                         if (target == "b") throw std::runtime_error("no");
                     },
                     dir / "config.ini"),
                 std::runtime_error);
    EXPECT_EQ(seen, (Targets{"a", "b"}));
    EXPECT_EQ(test::OpenDescriptorCount(), before);
}

// Names that exist but are no regular readable file: no targets, nothing written, no waiting.
TEST(TargetList, NonRegularFilesGiveNoTargetsAndStayAsTheyAre) {
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);  // opening it must not wait for a writer
    std::filesystem::create_directory(dir / "directory");
    std::filesystem::create_symlink(dir / "nowhere", dir / "dangling");
    for (const char* name : {"fifo", "directory", "dangling"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(test::LoadTargets(dir / name), Targets{});
    }
    EXPECT_TRUE(std::filesystem::is_fifo(dir / "fifo"));
    EXPECT_FALSE(std::filesystem::exists(dir / "nowhere")) << "no default through a dangling link";
}

// A list the user cannot read (here: a writable, unreadable file in a writable directory) must
// keep its bytes: the default is written only where no file of that name exists.
TEST(TargetList, UnreadableFileKeepsItsBytes) {
    TempDir dir;
    const std::string content = "# my hosts\n192.0.2.7\n";
    dir.Write("config.ini", content);
    ::chmod(dir.Path().c_str(), 0777);
    ::chmod((dir / "config.ini").c_str(), 0622);
    EXPECT_EXIT(
        {
            // An unprivileged user: root would read the file anyway.
            if (::geteuid() == 0 && ::setresuid(65534, 65534, 65534) != 0) std::_Exit(3);
            const bool noTargets = test::LoadTargets(dir / "config.ini").empty();
            std::_Exit(noTargets && std::filesystem::file_size(dir / "config.ini") == content.size()
                           ? 0
                           : 4);
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EQ(dir.Read("config.ini"), content);
}

}  // namespace
}  // namespace quorvex
