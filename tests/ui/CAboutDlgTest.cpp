// The About box: its seven controls (texts, order, geometry from template 100), its keys and
// buttons, and its mail link.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

#include "tests/support/Require.h"
#include "tests/ui/RecordingDesktopServices.h"
#include "ui/CAboutDlg.h"
#include "ui/DialogUnits.h"

namespace quorvex {
namespace {

// Template 100's controls in template order, positions and sizes in dialog units.
struct ControlRow {
    const char* name;
    const char* className;
    const char* text;  // UTF-8; the icon has none
    int x, y, cx, cy;
};

const ControlRow kTemplate[] = {
    {"NameAndVersion", "QLabel", "Quorvex, 版本 1.0", 47, 44, 82, 8},
    {"LegalNotice", "QLabel", "© 2026 Quorvex 开发者", 38, 59, 102, 8},
    {"Ok", "QPushButton", "确定", 63, 96, 50, 14},
    {"Icon", "QLabel", "", 78, 18, 21, 20},
    {"VersionGroup", "QGroupBox", "版本信息", 7, 6, 162, 84},
    {"EmailLabel", "QLabel", "Email : ", 42, 73, 24, 8},
    {"ContactLink", "quorvex::LinkButton", "mail@quorvex.test", 64, 72, 74, 12},
};
constexpr int kOk = 2, kIcon = 3, kLink = 6;

// The controls in the order of the box's focus chain, which Qt keeps in order of creation.
std::vector<QWidget*> Controls(QDialog& box) {
    std::vector<QWidget*> controls;
    for (QWidget* w = box.nextInFocusChain(); w != &box; w = w->nextInFocusChain())
        controls.push_back(w);
    return controls;
}

QWidget* Control(QDialog& box, int index) { return Controls(box).at(index); }

// What a control shows as text: a button's or a label's text, a group box's title.
QString ShownText(const QWidget* control) {
    if (auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
    if (auto* group = qobject_cast<const QGroupBox*>(control)) return group->title();
    if (auto* label = qobject_cast<const QLabel*>(control)) return label->text();
    return QStringLiteral("<not a text control>");
}

TEST(CAboutDlg, IsAFixedSizeBoxWithTheAboutCaption) {
    CAboutDlg box;
    const QSize size = DialogUnits(box.fontMetrics()).Size(178, 117);
    EXPECT_EQ(box.windowTitle(), QStringLiteral("关于 Quorvex"));
    EXPECT_EQ(box.minimumSize(), size);
    EXPECT_EQ(box.maximumSize(), size);
    const Qt::WindowFlags flags = box.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_EQ(box.size(), size);
}

TEST(CAboutDlg, HasTheTemplatesControlsInOrderAtTheirConvertedPlaces) {
    CAboutDlg box;
    const DialogUnits units(box.fontMetrics());
    const std::vector<QWidget*> controls = Controls(box);
    ASSERT_EQ(controls.size(), std::size(kTemplate));
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const ControlRow& row = kTemplate[i];
        SCOPED_TRACE(testing::Message() << "control " << i + 1 << " " << row.name);
        EXPECT_STREQ(controls[i]->metaObject()->className(), row.className);
        EXPECT_EQ(ShownText(controls[i]), QString::fromUtf8(row.text));
        EXPECT_EQ(controls[i]->geometry(), units.Rect(row.x, row.y, row.cx, row.cy));
    }
    const auto* icon = qobject_cast<QLabel*>(controls[kIcon]);
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
    EXPECT_LE(icon->pixmap().deviceIndependentSize().width(), icon->width());
    EXPECT_LE(icon->pixmap().deviceIndependentSize().height(), icon->height());
}

TEST(CAboutDlg, EveryTextFitsItsControl) {
    if (QFontDatabase::families(QFontDatabase::SimplifiedChinese).isEmpty())
        QV_SKIP_OR_FAIL("needs a font with Chinese characters (fonts-wqy-microhei)");
    CAboutDlg box;
    for (QWidget* control : Controls(box)) {
        const QString text = ShownText(control);
        SCOPED_TRACE(text.toStdString());
        EXPECT_LE(control->fontMetrics().horizontalAdvance(text.trimmed()), control->width());
        EXPECT_LE(control->fontMetrics().height(), control->height());
    }
}

TEST(CAboutDlg, FocusStartsOnTheDefaultOkButtonAndTabsToTheLinkAndBack) {
    CAboutDlg box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    auto* ok = qobject_cast<QPushButton*>(Control(box, kOk));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(QApplication::focusWidget(), ok);

    const struct {
        const char* name;
        Qt::Key key;
        int focusAfter;
    } steps[] = {{"Tab", Qt::Key_Tab, kLink},
                 {"Tab again", Qt::Key_Tab, kOk},
                 {"Shift+Tab", Qt::Key_Backtab, kLink},
                 {"Shift+Tab again", Qt::Key_Backtab, kOk}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        QTest::keyClick(QApplication::focusWidget(), step.key);
        EXPECT_EQ(QApplication::focusWidget(), Control(box, step.focusAfter));
    }
}

// Returned by exec() when the box was still open after five seconds.
constexpr int kStillOpen = 77;

// Runs the box modally, as the main window does, doing `whileOpen` inside its modal loop.
int RunModal(CAboutDlg& box, const std::function<void()>& whileOpen) {
    QTimer::singleShot(0, &box, whileOpen);
    QTimer::singleShot(5000, &box, [&box] { box.done(kStillOpen); });
    return box.exec();
}

struct EndingCase {
    const char* name;
    std::function<void(CAboutDlg&)> action;
    int result;
};

void PrintTo(const EndingCase& c, std::ostream* os) { *os << c.name; }

class Ending : public testing::TestWithParam<EndingCase> {};

TEST_P(Ending, EndsTheModalLoopWithItsResult) {
    const auto& c = GetParam();
    test::RecordingDesktopServices desktop;
    CAboutDlg box;
    EXPECT_EQ(RunModal(box, [&] { c.action(box); }), c.result);
    EXPECT_FALSE(box.isVisible());
    EXPECT_TRUE(desktop.urls.empty());
}

const EndingCase kEndingCases[] = {
    {"EnterOnOk", [](CAboutDlg& box) { QTest::keyClick(box.focusWidget(), Qt::Key_Return); },
     QDialog::Accepted},
    {"KeypadEnterOnOk",
     [](CAboutDlg& box) { QTest::keyClick(box.focusWidget(), Qt::Key_Enter, Qt::KeypadModifier); },
     QDialog::Accepted},
    {"ClickOnOk", [](CAboutDlg& box) { QTest::mouseClick(Control(box, kOk), Qt::LeftButton); },
     QDialog::Accepted},
    {"EscapeOnOk", [](CAboutDlg& box) { QTest::keyClick(box.focusWidget(), Qt::Key_Escape); },
     QDialog::Rejected},
    {"EscapeOnLink",
     [](CAboutDlg& box) {
         QTest::keyClick(box.focusWidget(), Qt::Key_Tab);
         QTest::keyClick(Control(box, kLink), Qt::Key_Escape);
     },
     QDialog::Rejected},
    {"CloseButton", [](CAboutDlg& box) { box.close(); }, QDialog::Rejected},
};

INSTANTIATE_TEST_SUITE_P(Cases, Ending, testing::ValuesIn(kEndingCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The main window builds a new box for every showing; the first box leaves with the focus on
// the link, the next starts on OK again.
TEST(CAboutDlg, EachShowingStartsAfresh) {
    for (int showing = 1; showing <= 2; ++showing) {
        SCOPED_TRACE(testing::Message() << "showing " << showing);
        CAboutDlg box;
        QWidget* focusAtStart = nullptr;
        const int result = RunModal(box, [&] {
            focusAtStart = box.focusWidget();
            QTest::keyClick(box.focusWidget(), Qt::Key_Tab);
            QTest::keyClick(box.focusWidget(), Qt::Key_Escape);
        });
        EXPECT_EQ(result, QDialog::Rejected);
        EXPECT_EQ(focusAtStart, Control(box, kOk));
    }
}

struct LinkCase {
    const char* name;
    std::function<void(CAboutDlg&)> action;
    bool opensMail;
};

void PrintTo(const LinkCase& c, std::ostream* os) { *os << c.name; }

class Link : public testing::TestWithParam<LinkCase> {};

TEST_P(Link, OpensExactlyTheMailtoAddress) {
    const auto& c = GetParam();
    test::RecordingDesktopServices desktop;
    CAboutDlg box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    c.action(box);
    const std::vector<QUrl> expected =
        c.opensMail ? std::vector<QUrl>{QUrl(QStringLiteral("mailto:mail@quorvex.test"))}
                    : std::vector<QUrl>{};
    EXPECT_EQ(desktop.urls, expected);
    EXPECT_TRUE(desktop.files.empty());
    EXPECT_TRUE(box.isVisible()) << "following the link leaves the box open";
}

const LinkCase kLinkCases[] = {
    {"ClickOnTheAddress",
     [](CAboutDlg& box) {
         QWidget* link = Control(box, kLink);
         QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(4, link->height() / 2));
     },
     true},
    {"EnterWithTheFocusOnTheLink",
     [](CAboutDlg& box) {
         QTest::keyClick(box.focusWidget(), Qt::Key_Tab);
         QTest::keyClick(Control(box, kLink), Qt::Key_Return);
     },
     true},
    {"SpaceWithTheFocusOnTheLink",
     [](CAboutDlg& box) {
         QTest::keyClick(box.focusWidget(), Qt::Key_Tab);
         QTest::keyClick(Control(box, kLink), Qt::Key_Space);
     },
     true},
    {"ClickOnTheEmailLabel",
     [](CAboutDlg& box) {
         QWidget* label = Control(box, kLink - 1);
         QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(4, label->height() / 2));
     },
     false},
};

INSTANTIATE_TEST_SUITE_P(Cases, Link, testing::ValuesIn(kLinkCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorvex
