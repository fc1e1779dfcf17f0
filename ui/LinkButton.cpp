#include "ui/LinkButton.h"

#include <QKeyEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace quorvex {

namespace {

// The text keeps this far from the sides, like a button's label: room for the focus frame
// (one pixel and one of space) and one pixel more.
constexpr int kTextInset = 3;
// The focus frame lies this far outside the text.
constexpr int kFocusSpacing = 2;

}  // namespace

LinkButton::LinkButton(const QString& text, QWidget* parent) : QAbstractButton(parent) {
    setText(text);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

QSize LinkButton::sizeHint() const {
    return fontMetrics().size(Qt::TextSingleLine, text()) + QSize(2 * kTextInset, 2);
}

void LinkButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    const QRect area = rect().adjusted(kTextInset, 0, -kTextInset, 0);
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    const QRect textRect = fontMetrics().boundingRect(area, flags, text());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Link));
    painter.drawText(area, flags, text());
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = textRect.adjusted(-kFocusSpacing, -1, kFocusSpacing, 1) & rect();
        focus.backgroundColor = palette().color(QPalette::Window);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

void LinkButton::keyPressEvent(QKeyEvent* event) {
    // A focused button in a dialog takes Enter for itself instead of the default button.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

}  // namespace quorvex
