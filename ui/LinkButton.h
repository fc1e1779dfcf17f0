// A link that acts as a button, as the hyperlink control of Windows dialogs does: it shows its
// text underlined in the link colour with a pointing-hand cursor, is one tab stop, and emits
// clicked() for a click anywhere on it, for Space, and for Enter while it has the focus.
// What the link opens is the owner's business.
#pragma once

#include <QAbstractButton>

namespace quorvex {

class LinkButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit LinkButton(const QString& text, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace quorvex
