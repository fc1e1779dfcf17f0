#include "ui/CAboutDlg.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QUrl>

#include "ui/ApplicationIcon.h"
#include "ui/DesktopServices.h"
#include "ui/DialogUnits.h"
#include "ui/LinkButton.h"
#include "ui/Version.h"

namespace quorvex {

namespace {

// Dialog template 100, in dialog units.
struct Placement {
    int x, y, cx, cy;
};
constexpr int kWidth = 178, kHeight = 117;
constexpr Placement kNameAndVersion{47, 44, 82, 8};
constexpr Placement kLegalNotice{38, 59, 102, 8};
constexpr Placement kOk{63, 96, 50, 14};
constexpr Placement kIcon{78, 18, 21, 20};
constexpr Placement kVersionGroup{7, 6, 162, 84};
constexpr Placement kEmailLabel{42, 73, 24, 8};
constexpr Placement kContactLink{64, 72, 74, 12};

// quorvex.test is a reserved name (RFC 2606): no one else can own the address.
constexpr char kContactAddress[] = "mail@quorvex.test";

QRect Pixels(const DialogUnits& units, const Placement& at) {
    return units.Rect(at.x, at.y, at.cx, at.cy);
}

// A static text: shown exactly as written, from its top left corner.
QLabel* AddText(QWidget* box, const QString& text, const QRect& geometry) {
    auto* label = new QLabel(text, box);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(geometry);
    return label;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("关于 Quorvex"));
    // The dialog font is the application's default font, which Qt takes from the desktop (or
    // fontconfig's "Sans Serif"); the template is measured in it.
    const DialogUnits units(fontMetrics());
    setFixedSize(units.Size(kWidth, kHeight));

    // The controls in template order. Qt's focus chain follows the order of creation, so it
    // is also the tab order: OK, then the link.
    AddText(this, QStringLiteral("Quorvex, 版本 ") + QLatin1String(kShortVersion),
            Pixels(units, kNameAndVersion));
    AddText(this, QStringLiteral("© 2026 Quorvex 开发者"), Pixels(units, kLegalNotice));

    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setGeometry(Pixels(units, kOk));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* icon = new QLabel(this);
    icon->setGeometry(Pixels(units, kIcon));
    icon->setAlignment(Qt::AlignCenter);
    // At the desktop's large icon size, as Windows shows an icon control's icon.
    const int side = style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, this);
    icon->setPixmap(ApplicationIcon().pixmap(QSize(side, side), devicePixelRatio()));

    auto* group = new QGroupBox(QStringLiteral("版本信息"), this);
    group->setGeometry(Pixels(units, kVersionGroup));
    // It frames the icon and texts: painted first, under them.
    group->lower();

    AddText(this, QStringLiteral("Email : "), Pixels(units, kEmailLabel));

    const QString address = QLatin1String(kContactAddress);
    auto* link = new LinkButton(address, this);
    link->setGeometry(Pixels(units, kContactLink));
    const QUrl target(QStringLiteral("mailto:") + address);
    connect(link, &LinkButton::clicked, this,
            [target] { DesktopServices::Current().OpenUrl(target); });

    ok->setFocus();
}

}  // namespace quorvex
