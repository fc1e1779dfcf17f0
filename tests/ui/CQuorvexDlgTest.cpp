// The main window on Qt's offscreen platform: layout, formatting, menu commands and live rows.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QSignalSpy>
#include <QTableView>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>

#include "manager/DelayTimeMgr.h"
#include "tests/support/Require.h"
#include "tests/support/Responder.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestHost.h"
#include "tests/ui/RecordingDesktopServices.h"
#include "ui/CAboutDlg.h"
#include "ui/CQuorvexDlg.h"
#include "ui/DesktopServices.h"
#include "ui/DialogUnits.h"
#include "ui/ProbeRow.h"

namespace quorvex {
namespace {

using namespace std::chrono_literals;

struct FormatCase {
    const char* name;
    ProbeReading reading;
    std::array<std::string, 5> texts;
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }

ProbeReading Reading(std::uint64_t total, std::uint64_t replies, std::uint32_t last,
                     std::uint32_t max, std::uint32_t min, int loss) {
    return {total, replies, last, max, min, loss};
}

class RowFormat : public testing::TestWithParam<FormatCase> {};

TEST_P(RowFormat, ShowsTheStatisticsOfOneProbe) {
    EXPECT_EQ(FormatStatistics(GetParam().reading), GetParam().texts);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RowFormat,
    testing::Values(FormatCase{"no_reply_no_loss",
                               Reading(0, 0, 0, 0, 99999, 0),
                               {"0 ms", "0 ms", "0 ms", "0 ms", "0%"}},
                    FormatCase{"unresolved_target",
                               Reading(0, 0, 0, 0, 99999, 100),
                               {"0 ms", "0 ms", "0 ms", "0 ms", "100%"}},
                    FormatCase{"smallest_9999_is_shown",
                               Reading(9999, 1, 9999, 9999, 9999, 0),
                               {"9999 ms", "9999 ms", "9999 ms", "9999 ms", "0%"}},
                    FormatCase{"smallest_10000_is_hidden",
                               Reading(10000, 1, 10000, 10000, 10000, 0),
                               {"10000 ms", "10000 ms", "10000 ms", "0 ms", "0%"}},
                    FormatCase{"average_drops_the_remainder",
                               Reading(7, 2, 4, 4, 3, 0),
                               {"3 ms", "4 ms", "4 ms", "3 ms", "0%"}},
                    FormatCase{"average_of_ten",
                               Reading(250, 10, 30, 40, 20, 12),
                               {"25 ms", "30 ms", "40 ms", "20 ms", "12%"}},
                    FormatCase{"zero_delay_counts",
                               Reading(0, 3, 0, 0, 0, 25),
                               {"0 ms", "0 ms", "0 ms", "0 ms", "25%"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Closes the next modal box once it shows, after `after`, and remembers whether it was an
// About box.
class ModalCloser {
public:
    explicit ModalCloser(std::chrono::milliseconds after = 0ms) {
        QTimer::singleShot(after, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            sawAbout = qobject_cast<CAboutDlg*>(modal) != nullptr;
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        });
    }
    bool sawAbout = false;
};

// The window builds the process's one probe manager, so each test needs a process of its own,
// as ctest runs them.
class WindowTest : public testing::Test {
protected:
    // A window over the target list `list`, written as config.ini of the working directory.
    void Open(const std::string& list) {
        dir_.Write("config.ini", list);
        window_ = std::make_unique<CQuorvexDlg>();
        window_->OnInitDialog();
        window_->show();
    }
    void TearDown() override {
        window_.reset();
        DelayTimeMgr::GetInstance().Stop();
    }
    QAbstractItemModel& Model() { return *window_->Table()->model(); }
    QString Cell(int row, int column) { return Model().index(row, column).data().toString(); }

    test::TempDir dir_;
    test::ScopedWorkingDirectory cwd_{dir_.Path()};
    std::unique_ptr<CQuorvexDlg> window_;
};

TEST_F(WindowTest, EmptyListShowsTheColumnsAndNoRows) {
    Open("# nothing to probe\n");
    CQuorvexDlg& w = *window_;
    EXPECT_EQ(w.windowTitle(), "Quorvex");
    const DialogUnits units(w.fontMetrics());
    EXPECT_EQ(w.size(), units.Size(277, 175));
    EXPECT_EQ(w.minimumSize(), w.maximumSize()) << "the window must not be resizable";
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);

    QTableView& table = *w.Table();
    EXPECT_EQ(table.geometry(), units.Rect(0, 0, 276, 174));
    const char* titles[] = {"IP或域名", "平均延迟", "当前延迟", "最大延迟", "最小延迟", "丢包率"};
    const int widths[] = {100, 60, 60, 60, 60, 70};
    ASSERT_EQ(Model().columnCount(), 6);
    for (int c = 0; c < 6; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(Model().headerData(c, Qt::Horizontal).toString(), QString::fromUtf8(titles[c]));
        EXPECT_EQ(table.columnWidth(c), widths[c]);
        EXPECT_EQ(Model().headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).toInt() &
                      Qt::AlignHorizontal_Mask,
                  Qt::AlignLeft);
    }
    EXPECT_TRUE(table.showGrid());
    EXPECT_EQ(table.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(table.selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(table.editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(table.isSortingEnabled());
    EXPECT_TRUE(table.verticalHeader()->isHidden());

    QSignalSpy changes(&Model(), &QAbstractItemModel::dataChanged);
    for (int tick = 0; tick < 3; ++tick) w.OnTimer(CQuorvexDlg::kRefreshTimerId);
    EXPECT_EQ(Model().rowCount(), 0);
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(WindowTest, MenuHoldsHelpAboveAbout) {
    Open("");
    const auto actions = window_->CommandMenu()->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), QString::fromUtf8("&帮助"));
    EXPECT_EQ(actions[0]->data().toUInt(), 32u);
    EXPECT_EQ(actions[1]->text(), QString::fromUtf8("&关于 Quorvex..."));
    EXPECT_EQ(actions[1]->data().toUInt(), 16u);

    for (const auto& [about, help] : {std::pair{"", "&Help"}, std::pair{"&About", ""}}) {
        QMenu menu;
        CQuorvexDlg::AddCommandEntries(menu, about, help);
        EXPECT_TRUE(menu.actions().isEmpty()) << "about '" << about << "', help '" << help << "'";
    }
}

TEST_F(WindowTest, MenuOpensByMouseAndKeyboardAndF1OpensHelp) {
    Open("");
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    QMenu& menu = *window_->CommandMenu();
    QWidget& viewport = *window_->Table()->viewport();
    const std::vector<std::pair<const char*, std::function<void()>>> ways = {
        {"right-click on the table",
         [&] {
             QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(20, 20),
                                     viewport.mapToGlobal(QPoint(20, 20)));
             QApplication::sendEvent(&viewport, &click);
         }},
        // Keys go through the window, as the platform delivers them, so shortcuts and the
        // context-menu key take effect.
        {"Menu key", [&] { QTest::keyClick(window_->windowHandle(), Qt::Key_Menu); }},
        {"Shift+F10",
         [&] { QTest::keyClick(window_->windowHandle(), Qt::Key_F10, Qt::ShiftModifier); }},
    };
    for (const auto& [name, open] : ways) {
        SCOPED_TRACE(name);
        menu.hide();
        open();
        QApplication::processEvents();
        EXPECT_TRUE(menu.isVisible());
    }
    menu.hide();

    dir_.Write("ReadMe.txt", "help");
    test::RecordingDesktopServices desktop;
    QTest::keyClick(window_->windowHandle(), Qt::Key_F1);
    EXPECT_EQ(desktop.files, std::vector<QString>{dir_.Path().c_str() + QString("/ReadMe.txt")});
}

TEST_F(WindowTest, EnterAndEscapeEndTheWindow) {
    Open("");
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        SCOPED_TRACE(key);
        QTimer::singleShot(0, [&] { QTest::keyClick(window_->Table(), key); });
        QTimer guard;  // ends a loop the key failed to end, so the test fails instead of hanging
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [&] { window_->done(-1); });
        guard.start(3000);
        EXPECT_NE(window_->exec(), -1);
    }
}

TEST_F(WindowTest, CommandsAreDispatchedOnTheMaskedValue) {
    Open("");
    dir_.Write("ReadMe.txt", "help");
    test::RecordingDesktopServices desktop;
    struct Case {
        unsigned value;
        enum { About, Help, Default } expected;
    };
    const Case cases[] = {{16, Case::About},       {17, Case::About},   {31, Case::About},
                          {32, Case::Help},        {40, Case::Help},    {47, Case::Help},
                          {0, Case::Default},      {15, Case::Default}, {48, Case::Default},
                          {0xF060, Case::Default},   // close
                          {0xF020, Case::Default},   // minimise
                          {0xF010, Case::Default}};  // move
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "command " << c.value);
        desktop.files.clear();
        ModalCloser closer;
        const bool handled = window_->OnSysCommand(c.value);
        QApplication::processEvents();  // lets an unused closer run
        EXPECT_EQ(handled, c.expected != Case::Default);
        EXPECT_EQ(closer.sawAbout, c.expected == Case::About);
        EXPECT_EQ(desktop.files,
                  c.expected == Case::Help
                      ? std::vector<QString>{dir_.Path().c_str() + QString("/ReadMe.txt")}
                      : std::vector<QString>{});
    }
}

TEST_F(WindowTest, HelpFallsBackToTheInstalledReadMe) {
    Open("");
    EXPECT_EQ(CQuorvexDlg::HelpFile(), QStringLiteral(QUORVEX_INSTALLED_README));
    dir_.Write("ReadMe.txt", "help");
    EXPECT_EQ(CQuorvexDlg::HelpFile(), dir_.Path().c_str() + QString("/ReadMe.txt"));
}

// A real window over real probes: the test host answers after 30 ms, loopback at once.
TEST_F(WindowTest, RowsShowTheLiveDelayOfEachProbe) {
    QV_REQUIRE_NETWORK_PRIVILEGES();
    std::string why;
    auto host = test::TestHost::Create(&why);
    if (!host) QV_SKIP_OR_FAIL(why);
    test::Responder responder(*host, test::AnswerAfter(30ms));
    ASSERT_EQ(responder.Error(), "");
    Open(host->Address() + "\n127.0.0.1\n");

    ASSERT_EQ(Model().rowCount(), 2);
    EXPECT_EQ(Cell(0, 0), QString::fromStdString(host->Address()));
    EXPECT_EQ(Cell(1, 0), "127.0.0.1");
    QSignalSpy changes(&Model(), &QAbstractItemModel::dataChanged);
    // The current delay, once the second reply is in: 30 ms give or take a loaded machine's
    // scheduling slack.
    const auto currentDelay = [&] { return Cell(0, 2).section(QLatin1Char(' '), 0, 0).toInt(); };
    const auto deadline = std::chrono::steady_clock::now() + 4s;
    while (currentDelay() == 0 && std::chrono::steady_clock::now() < deadline)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_TRUE(Cell(0, 2).endsWith(" ms")) << Cell(0, 2).toStdString();
    EXPECT_GE(currentDelay(), 30 - 15);
    EXPECT_LE(currentDelay(), 30 + 15);
    EXPECT_EQ(Cell(0, 5), "0%");
    EXPECT_EQ(Cell(1, 5), "0%");
    EXPECT_EQ(Cell(0, 0), QString::fromStdString(host->Address()));

    // The rows go on refreshing while the About box is open.
    const int before = changes.count();
    ModalCloser closer(2500ms);
    window_->OnSysCommand(CQuorvexDlg::kAboutCommand);
    EXPECT_TRUE(closer.sawAbout);
    EXPECT_GE(changes.count(), before + 2);
    for (const auto& change : changes) {
        EXPECT_GE(change[0].value<QModelIndex>().column(), 1) << "column 0 was rewritten";
    }
}

}  // namespace
}  // namespace quorvex
