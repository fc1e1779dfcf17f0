// The single-instance guard: its files, and the rule between real processes (the test helper
// single_instance_helper), each test in a directory of its own.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <vector>

#include "ui/SingleInstanceGuard.h"

namespace quorvex {
namespace {

using namespace std::chrono_literals;

QString Uid() { return QString::number(::getuid()); }

TEST(SingleInstanceGuard, FilesCarryTheNameAndTheUserId) {
    const SingleInstanceGuard byDefault;
    EXPECT_EQ(byDefault.LockPath(), QDir(SingleInstanceGuard::DefaultDirectory())
                                        .filePath("mutex_for_readcount-" + Uid() + ".lock"));
    EXPECT_EQ(byDefault.SocketPath(), QDir(SingleInstanceGuard::DefaultDirectory())
                                          .filePath("mutex_for_readcount-" + Uid() + ".socket"));
    const SingleInstanceGuard named(QStringLiteral("other"), QStringLiteral("/some/dir"));
    EXPECT_EQ(named.LockPath(), "/some/dir/other-" + Uid() + ".lock");
    EXPECT_EQ(named.SocketPath(), "/some/dir/other-" + Uid() + ".socket");
}

TEST(SingleInstanceGuard, HoldsItsFilesUntilReleased) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    SingleInstanceGuard guard(SingleInstanceGuard::kName, directory.path());
    EXPECT_FALSE(guard.IsHeld());
    EXPECT_EQ(guard.TryAcquire().outcome, SingleInstanceGuard::Outcome::Acquired);
    EXPECT_TRUE(guard.IsHeld());
    EXPECT_TRUE(QFileInfo::exists(guard.LockPath()));
    EXPECT_TRUE(QFileInfo::exists(guard.SocketPath()));
    EXPECT_EQ(guard.TryAcquire().outcome, SingleInstanceGuard::Outcome::Acquired);
    guard.Release();
    EXPECT_FALSE(guard.IsHeld());
    EXPECT_FALSE(QFileInfo::exists(guard.LockPath()));
    EXPECT_FALSE(QFileInfo::exists(guard.SocketPath()));
}

TEST(SingleInstanceGuard, NoUsableDirectoryLeavesTheStartUnguarded) {
    QTemporaryDir parent;
    ASSERT_TRUE(parent.isValid());
    SingleInstanceGuard guard(SingleInstanceGuard::kName, parent.filePath("missing"));
    EXPECT_EQ(guard.TryAcquire(100ms).outcome, SingleInstanceGuard::Outcome::Unguarded);
    EXPECT_FALSE(guard.IsHeld());
}

TEST(SingleInstanceGuard, DirectoryIsTheRuntimeDirectoryWhenThereIsOne) {
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    const bool wasSet = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
    const struct {
        const char* name;
        std::optional<QString> value;  // nullopt: unset
        QString expected;
    } cases[] = {
        {"set to a directory", runtime.path(), runtime.path()},
        {"unset", std::nullopt, QDir::tempPath()},
        {"empty", QString(), QDir::tempPath()},
        {"not a directory", runtime.filePath("missing"), QDir::tempPath()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.value)
            qputenv("XDG_RUNTIME_DIR", c.value->toLocal8Bit());
        else
            qunsetenv("XDG_RUNTIME_DIR");
        EXPECT_EQ(SingleInstanceGuard::DefaultDirectory(), c.expected);
    }
    if (wasSet)
        qputenv("XDG_RUNTIME_DIR", saved);
    else
        qunsetenv("XDG_RUNTIME_DIR");
}

// One run of the helper program, ended (killed if need be) when the object goes.
class Start {
public:
    explicit Start(const QString& directory) {
        process.setProgram(QStringLiteral(QUORVEX_SINGLE_INSTANCE_HELPER));
        process.setArguments({directory});
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start();
    }
    ~Start() {
        if (process.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(process.processId()), SIGCONT);
            process.kill();
            process.waitForFinished(5000);
        }
    }
    Start(const Start&) = delete;
    Start& operator=(const Start&) = delete;

    // The next line the helper prints, or what went wrong instead.
    std::string NextLine() {
        const QDeadlineTimer deadline(10s);
        while (!process.canReadLine()) {
            if (deadline.hasExpired() ||
                (!process.waitForReadyRead(static_cast<int>(deadline.remainingTime())) &&
                 !process.canReadLine()))
                return "<no line; helper state " + std::to_string(process.state()) + ">";
        }
        return process.readLine().trimmed().toStdString();
    }
    // Waits for the helper to end by itself; its exit status, or -1.
    int ExitCode() {
        if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit)
            return -1;
        return process.exitCode();
    }
    // Closes the helper's standard input, which ends a holder in order.
    int Quit() {
        process.closeWriteChannel();
        return ExitCode();
    }
    void Kill() {
        process.kill();
        process.waitForFinished(10000);
    }
    pid_t Pid() const { return static_cast<pid_t>(process.processId()); }

private:
    QProcess process;
};

enum class FirstEnds { InOrder, Killed };

struct HandOverCase {
    const char* name;
    FirstEnds how;
};

void PrintTo(const HandOverCase& c, std::ostream* os) { *os << c.name; }

class HandOver : public testing::TestWithParam<HandOverCase> {};

TEST_P(HandOver, SecondStartIsTurnedAwayThenANewStartTakesOver) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    const SingleInstanceGuard files(SingleInstanceGuard::kName, directory.path());

    Start first(directory.path());
    ASSERT_EQ(first.NextLine(), "acquired");

    Start second(directory.path());
    EXPECT_EQ(second.NextLine(), "held answered");
    EXPECT_EQ(second.ExitCode(), 1);
    EXPECT_EQ(first.NextLine(), "raise");

    if (GetParam().how == FirstEnds::InOrder) {
        EXPECT_EQ(first.Quit(), 0);
        EXPECT_FALSE(QFileInfo::exists(files.LockPath()));
        EXPECT_FALSE(QFileInfo::exists(files.SocketPath()));
    } else {
        first.Kill();
        // SIGKILL leaves both files behind for the next start to take over.
        EXPECT_TRUE(QFileInfo::exists(files.LockPath()));
        EXPECT_TRUE(QFileInfo::exists(files.SocketPath()));
    }

    Start third(directory.path());
    EXPECT_EQ(third.NextLine(), "acquired");
    Start fourth(directory.path());
    EXPECT_EQ(fourth.NextLine(), "held answered");
    EXPECT_EQ(third.NextLine(), "raise");
    EXPECT_EQ(third.Quit(), 0);
}

const HandOverCase kHandOverCases[] = {
    {"FirstEndsInOrder", FirstEnds::InOrder},
    {"FirstIsKilled", FirstEnds::Killed},
};

INSTANTIATE_TEST_SUITE_P(Cases, HandOver, testing::ValuesIn(kHandOverCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SingleInstanceGuardProcesses, AHolderThatCannotAnswerStillTurnsTheNextStartAway) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    Start first(directory.path());
    ASSERT_EQ(first.NextLine(), "acquired");
    ASSERT_EQ(::kill(first.Pid(), SIGSTOP), 0);

    Start second(directory.path());
    EXPECT_EQ(second.NextLine(), "held unanswered");
    EXPECT_EQ(second.ExitCode(), 1);

    ASSERT_EQ(::kill(first.Pid(), SIGCONT), 0);
    EXPECT_EQ(first.Quit(), 0);
}

TEST(SingleInstanceGuardProcesses, OfStartsAtTheSameMomentExactlyOneTakesTheGuard) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    std::vector<std::unique_ptr<Start>> starts;
    for (int i = 0; i < 4; ++i) starts.push_back(std::make_unique<Start>(directory.path()));
    int acquired = 0;
    for (auto& start : starts) {
        const std::string line = start->NextLine();
        SCOPED_TRACE(line);
        if (line == "acquired")
            ++acquired;
        else
            EXPECT_EQ(line.rfind("held ", 0), 0u);
    }
    EXPECT_EQ(acquired, 1);
}

}  // namespace
}  // namespace quorvex
