// The program's start-up and shutdown: the command line, the single-instance rule between real
// processes, closing, a start without CAP_NET_RAW, and the whole program against a test host.
// Each test has its own working directory and its own guard directory (XDG_RUNTIME_DIR).
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QProcess>
#include <QTableView>
#include <QTimer>
#include <boost/system/system_error.hpp>
#include <filesystem>
#include <functional>
#include <system_error>

#include "manager/DelayTimeMgr.h"
#include "tests/support/ProcessState.h"
#include "tests/support/Require.h"
#include "tests/support/Responder.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestHost.h"
#include "ui/CQuorvexApp.h"
#include "ui/CQuorvexDlg.h"
#include "ui/CommandLine.h"
#include "ui/SingleInstanceGuard.h"

namespace quorvex {
namespace {

using namespace std::chrono_literals;

struct ArgsCase {
    const char* name;
    std::vector<const char*> args;
    CommandLine::Action action;
    bool platformGiven;
};

void PrintTo(const ArgsCase& c, std::ostream* os) { *os << c.name; }

class CommandLineArgs : public testing::TestWithParam<ArgsCase> {};

TEST_P(CommandLineArgs, AreReadBeforeQtStarts) {
    std::vector<const char*> argv = {"quorvex"};
    argv.insert(argv.end(), GetParam().args.begin(), GetParam().args.end());
    const CommandLine line = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(line.action, GetParam().action);
    EXPECT_EQ(line.platformGiven, GetParam().platformGiven);
    EXPECT_EQ(line.error.empty(), GetParam().action != CommandLine::Action::UsageError);
}

using A = CommandLine::Action;
INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineArgs,
    testing::Values(
        ArgsCase{"none", {}, A::Run, false}, ArgsCase{"help", {"--help"}, A::ShowHelp, false},
        ArgsCase{"short_help", {"-h"}, A::ShowHelp, false},
        ArgsCase{"version", {"--version"}, A::ShowVersion, false},
        ArgsCase{"qt_platform", {"-platform", "offscreen"}, A::Run, true},
        ArgsCase{"qt_options_with_two_dashes", {"--style", "fusion", "--reverse"}, A::Run, false},
        ArgsCase{"qt_option_without_its_value", {"-display"}, A::UsageError, false},
        ArgsCase{"unknown_option", {"--verbose"}, A::UsageError, false},
        ArgsCase{"stray_word", {"config.ini"}, A::UsageError, false},
        ArgsCase{"help_after_qt_option", {"-reverse", "--help"}, A::ShowHelp, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct FatalCase {
    const char* name;
    std::function<void()> fail;
    std::vector<const char*> saying;
};

void PrintTo(const FatalCase& c, std::ostream* os) { *os << c.name; }

class FatalStartup : public testing::TestWithParam<FatalCase> {};

TEST_P(FatalStartup, NamesTheCauseAndTheCure) {
    try {
        GetParam().fail();
        FAIL() << "nothing thrown";
    } catch (const std::exception& error) {
        const QString text = CQuorvexApp::FatalStartupText(error);
        for (const char* part : GetParam().saying)
            EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << text.toStdString();
    }
}

boost::system::system_error SystemError(int code) {
    return boost::system::system_error(code, boost::system::system_category(), "open");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FatalStartup,
    testing::Values(
        FatalCase{"raw_socket_not_permitted",
                  [] { throw SystemError(EPERM); },
                  {"raw ICMP socket", "CAP_NET_RAW", "root", "sudo setcap cap_net_raw=ep /"}},
        FatalCase{"raw_socket_access_denied",
                  [] { throw SystemError(EACCES); },
                  {"raw ICMP socket", "setcap"}},
        FatalCase{"too_many_targets",
                  [] { throw SystemError(EMFILE); },
                  {"every target in config.ini", "open-file limit", "ulimit -n"}},
        FatalCase{"system_out_of_files", [] { throw SystemError(ENFILE); }, {"open-file limit"}},
        FatalCase{"io_service", [] { throw SystemError(ENOMEM); }, {"network I/O"}},
        FatalCase{"worker_thread",
                  [] {
                      throw std::system_error(
                          std::make_error_code(std::errc::resource_unavailable_try_again));
                  },
                  {"worker thread"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Runs the real program with `args`; returns its exit code, stdout and stderr.
struct ProgramRun {
    int exitCode;
    QString out, err;
};

QProcessEnvironment Environment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

ProgramRun RunProgram(const QStringList& args, const QProcessEnvironment& env = Environment()) {
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QUORVEX_BINARY, args);
    program.waitForFinished(10000);
    return {program.exitCode(), QString::fromLocal8Bit(program.readAllStandardOutput()),
            QString::fromLocal8Bit(program.readAllStandardError())};
}

TEST(Program, AnswersVersionHelpAndBadArguments) {
    const ProgramRun version = RunProgram({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "Quorvex 1.0.0.1\n");

    const ProgramRun help = RunProgram({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* part : {"config.ini", "working directory", "#", "CAP_NET_RAW", "setcap"})
        EXPECT_TRUE(help.out.contains(part)) << part;

    const ProgramRun bad = RunProgram({"--bogus"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.err.contains("--bogus"));

    QProcessEnvironment noDisplay = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        noDisplay.remove(name);
    const ProgramRun headless = RunProgram({}, noDisplay);
    EXPECT_EQ(headless.exitCode, 1);
    EXPECT_TRUE(headless.err.contains("no display")) << headless.err.toStdString();
}

// A working directory with a target list and a guard directory of its own for each test.
class AppTest : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::permissions(runtime_.Path(), std::filesystem::perms::owner_all);
        qputenv("XDG_RUNTIME_DIR", runtime_.Path().c_str());
    }

    // Runs InitInstance; `whileRunning` is called once the window shows, with that window.
    int RunApp(const std::function<void(CQuorvexDlg&)>& whileRunning,
               CQuorvexApp::FatalMessage showFatal = CQuorvexApp::ShowMessageBox) {
        QTimer poll;
        bool called = false;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* window = qobject_cast<CQuorvexDlg*>(widget);
                if (window && window->isVisible() && !called) {
                    called = true;
                    whileRunning(*window);
                }
            }
        });
        poll.start(20);
        return CQuorvexApp(std::move(showFatal)).InitInstance();
    }

    // Starts the real program here, as a later instance would be.
    std::unique_ptr<QProcess> StartProgram() {
        auto program = std::make_unique<QProcess>();
        program->setProcessEnvironment(Environment());
        program->setWorkingDirectory(dir_.Path().c_str());
        program->start(QUORVEX_BINARY, QStringList{});
        program->waitForStarted();
        return program;
    }

    bool GuardIsFree() {
        SingleInstanceGuard guard;
        return guard.TryAcquire(300ms).outcome == SingleInstanceGuard::Outcome::Acquired;
    }

    test::TempDir dir_, runtime_;
    test::ScopedWorkingDirectory cwd_{dir_.Path()};
};

TEST_F(AppTest, SecondStartRaisesTheFirstWindowAndEndsWithoutOne) {
    dir_.Write("config.ini", "# nothing to probe\n");
    int secondExit = -1;
    bool raised = false;
    const int status = RunApp([&](CQuorvexDlg& window) {
        QWidget other;  // takes the focus away, so the raise shows
        other.show();
        other.activateWindow();
        QApplication::processEvents();
        auto second = StartProgram();
        while (!second->waitForFinished(10)) QApplication::processEvents();
        secondExit = second->exitStatus() == QProcess::NormalExit ? second->exitCode() : -2;
        QApplication::processEvents();
        raised = QApplication::activeWindow() == &window;
        window.reject();
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(secondExit, 0);
    EXPECT_TRUE(raised);
    EXPECT_TRUE(GuardIsFree());
}

TEST_F(AppTest, TwoStartsAtTheSameMomentGiveOneWindow) {
    dir_.Write("config.ini", "# nothing to probe\n");
    auto first = StartProgram();
    auto second = StartProgram();
    // waitForFinished also brings each QProcess's state up to date.
    first->waitForFinished(750);
    second->waitForFinished(750);
    const bool firstRuns = first->state() == QProcess::Running;
    const bool secondRuns = second->state() == QProcess::Running;
    EXPECT_NE(firstRuns, secondRuns) << "exactly one start must keep running";
    QProcess& ended = firstRuns ? *second : *first;
    QProcess& running = firstRuns ? *first : *second;
    EXPECT_EQ(ended.exitCode(), 0);
    // Closing by signal takes the normal way out: worker joined, guard released, status 0.
    ::kill(static_cast<pid_t>(running.processId()), SIGTERM);
    ASSERT_TRUE(running.waitForFinished(5000));
    EXPECT_EQ(running.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(running.exitCode(), 0);
    EXPECT_TRUE(GuardIsFree());
}

TEST_F(AppTest, ClosingStopsTheWorkerAndReleasesTheGuard) {
    QV_REQUIRE_NETWORK_PRIVILEGES();
    dir_.Write("config.ini", "127.0.0.1\n");
    int threadsWhileRunning = 0;
    const int status = RunApp([&](CQuorvexDlg& window) {
        threadsWhileRunning = test::ThreadCount();
        window.reject();
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(test::ThreadCount(), threadsWhileRunning - 1) << "the worker thread was not joined";
    const DelayTimeProbe& probe = *DelayTimeMgr::GetInstance().probes[0];
    const std::uint64_t replies = probe.replyCount, lost = probe.lostCount;
    std::this_thread::sleep_for(1200ms);
    EXPECT_EQ(probe.replyCount, replies);
    EXPECT_EQ(probe.lostCount, lost);

    // A start right afterwards runs normally.
    auto next = StartProgram();
    EXPECT_FALSE(next->waitForFinished(1000)) << "the next start ended at once";
    ::kill(static_cast<pid_t>(next->processId()), SIGTERM);
    ASSERT_TRUE(next->waitForFinished(5000));
    EXPECT_EQ(next->exitCode(), 0);
}

TEST_F(AppTest, LongListGetsTheDescriptorsItNeeds) {
    QV_REQUIRE_NETWORK_PRIVILEGES();
    std::string list;
    for (int i = 0; i < 400; ++i) list += "127.0.3." + std::to_string(1 + i % 250) + "\n";
    dir_.Write("config.ini", list);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit low = saved;
    low.rlim_cur = 256;  // fewer than the list needs
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    int rows = 0;
    QString fatal;
    const int status = RunApp(
        [&](CQuorvexDlg& window) {
            rows = window.Table()->model()->rowCount();
            window.reject();
        },
        [&](const QString& text) { fatal = text; });
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(fatal.toStdString(), "");
    EXPECT_EQ(rows, 400);
}

class AppWithoutRawSockets : public AppTest {
protected:
    // In a child without CAP_NET_RAW: 0 when the start ended with status 1 after exactly one
    // message, with no window on screen and the guard released.
    int StartWithoutNetRaw() {
        if (!test::DropNetRaw()) return 3;
        int shown = 0, windows = 0;
        const int status = RunApp([](CQuorvexDlg& window) { window.reject(); },
                                  [&](const QString&) {
                                      ++shown;
                                      for (QWidget* w : QApplication::topLevelWidgets())
                                          windows += w->isVisible();
                                  });
        return status == 1 && shown == 1 && windows == 0 && GuardIsFree() ? 0 : 4;
    }
};

TEST_F(AppWithoutRawSockets, StartEndsWithTheCauseAndTheCure) {
    dir_.Write("config.ini", "127.0.0.1\n");
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The same text goes to stderr, with the program's real path in the setcap command.
    EXPECT_EXIT(
        std::_Exit(StartWithoutNetRaw()), testing::ExitedWithCode(0),
        "cannot open a raw ICMP socket.*\n.*\n.*CAP_NET_RAW.*\n.*\n.*setcap cap_net_raw=ep /");
}

TEST_F(AppTest, WholeProgramShowsTheTestHostsDelay) {
    QV_REQUIRE_NETWORK_PRIVILEGES();
    std::string why;
    auto host = test::TestHost::Create(&why);
    if (!host) QV_SKIP_OR_FAIL(why);
    test::Responder responder(*host, test::AnswerAfter(40ms));
    ASSERT_EQ(responder.Error(), "");
    dir_.Write("config.ini", "#test host\n" + host->Address() + "\n");

    QString target, average, loss;
    const int status = RunApp([&](CQuorvexDlg& window) {
        const QAbstractItemModel& model = *window.Table()->model();
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (model.index(0, 1).data().toString().section(' ', 0, 0).toInt() == 0 &&
               std::chrono::steady_clock::now() < deadline)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        target = model.index(0, 0).data().toString();
        average = model.index(0, 1).data().toString();
        loss = model.index(0, 5).data().toString();
        window.close();
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(target, QString::fromStdString(host->Address()));
    EXPECT_GE(average.section(' ', 0, 0).toInt(), 40 - 15) << average.toStdString();
    EXPECT_LE(average.section(' ', 0, 0).toInt(), 40 + 15) << average.toStdString();
    EXPECT_EQ(loss, "0%");
    EXPECT_TRUE(GuardIsFree());
}

}  // namespace
}  // namespace quorvex
