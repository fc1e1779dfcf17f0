// Desktop services: the seam the windows use, and what the default one hands to Qt's
// QDesktopServices (observed through its URL handlers, so no program is started).
#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QDir>
#include <QTemporaryDir>
#include <QUrl>

#include <functional>
#include <vector>

#include "tests/ui/RecordingDesktopServices.h"
#include "ui/DefaultDesktopServices.h"

namespace quorvex {
namespace {

// Takes the place of the desktop's programs for the schemes it is registered for.
class UrlRecorder : public QObject {
    Q_OBJECT

public:
    Q_INVOKABLE void Open(const QUrl& url) { urls.push_back(url); }
    std::vector<QUrl> urls;
};

TEST(DesktopServices, TheDesktopsOwnAreInUseUnlessOthersAreSet) {
    EXPECT_NE(dynamic_cast<DefaultDesktopServices*>(&DesktopServices::Current()), nullptr);
    {
        test::RecordingDesktopServices fake;
        EXPECT_EQ(&DesktopServices::Current(), &fake);
        DesktopServices::Current().OpenUrl(QUrl(QStringLiteral("mailto:a@b.test")));
        EXPECT_EQ(fake.urls.size(), 1u);
    }
    EXPECT_NE(dynamic_cast<DefaultDesktopServices*>(&DesktopServices::Current()), nullptr);

    test::RecordingDesktopServices fake;
    EXPECT_EQ(DesktopServices::SetCurrent(nullptr), &fake);
    EXPECT_NE(dynamic_cast<DefaultDesktopServices*>(&DesktopServices::Current()), nullptr);
}

struct DefaultCase {
    const char* name;
    std::function<bool(DesktopServices&)> call;
    std::function<QString()> expectedUrl;  // fully encoded
};

void PrintTo(const DefaultCase& c, std::ostream* os) { *os << c.name; }

class DefaultServices : public testing::TestWithParam<DefaultCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(workingDirectory.isValid());
        previousDirectory = QDir::currentPath();
        QDir::setCurrent(workingDirectory.path());
        for (const char* scheme : {"file", "mailto"})
            QDesktopServices::setUrlHandler(QLatin1String(scheme), &recorder, "Open");
    }
    void TearDown() override {
        for (const char* scheme : {"file", "mailto"})
            QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
        QDir::setCurrent(previousDirectory);
    }

    QTemporaryDir workingDirectory;
    QString previousDirectory;
    UrlRecorder recorder;
};

TEST_P(DefaultServices, HandsQtTheFileOrAddressAsAUrl) {
    const auto& c = GetParam();
    DefaultDesktopServices services;
    EXPECT_TRUE(c.call(services));
    ASSERT_EQ(recorder.urls.size(), 1u);
    EXPECT_EQ(recorder.urls[0].toString(QUrl::FullyEncoded), c.expectedUrl());
}

const DefaultCase kDefaultCases[] = {
    {"ReadMeOfTheWorkingDirectory",
     [](DesktopServices& s) { return s.OpenFile(QStringLiteral("ReadMe.txt")); },
     [] {
         return QStringLiteral("file://") + QDir::currentPath() + QStringLiteral("/ReadMe.txt");
     }},
    {"RelativePathBelowTheWorkingDirectory",
     [](DesktopServices& s) { return s.OpenFile(QStringLiteral("doc/ReadMe.txt")); },
     [] {
         return QStringLiteral("file://") + QDir::currentPath() + QStringLiteral("/doc/ReadMe.txt");
     }},
    {"AbsolutePath",
     [](DesktopServices& s) {
         return s.OpenFile(QStringLiteral("/usr/share/doc/quorvex/ReadMe.txt"));
     },
     [] { return QStringLiteral("file:///usr/share/doc/quorvex/ReadMe.txt"); }},
    {"SpaceAndChineseInTheName",
     [](DesktopServices& s) { return s.OpenFile(QStringLiteral("/opt/说明 ReadMe.txt")); },
     [] { return QStringLiteral("file:///opt/%E8%AF%B4%E6%98%8E%20ReadMe.txt"); }},
    {"MailtoAddress",
     [](DesktopServices& s) { return s.OpenUrl(QUrl(QStringLiteral("mailto:mail@quorvex.test"))); },
     [] { return QStringLiteral("mailto:mail@quorvex.test"); }},
};

INSTANTIATE_TEST_SUITE_P(Cases, DefaultServices, testing::ValuesIn(kDefaultCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorvex

#include "DesktopServicesTest.moc"
