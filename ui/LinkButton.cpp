#include "ui/LinkButton.h"

#include <QKeyEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace quorvex {

namespace {

constexpr int kMargin = 1;  // room for the focus frame around the text

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
    return fontMetrics().size(Qt::TextSingleLine, text()) + QSize(2 * kMargin, 2 * kMargin);
}

void LinkButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    const QRect area = rect().adjusted(kMargin, kMargin, -kMargin, -kMargin);
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    const QRect textRect = fontMetrics().boundingRect(area, flags, text());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Link));
    painter.drawText(area, flags, text());
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = textRect.adjusted(-kMargin, -kMargin, kMargin, kMargin) & rect();
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
