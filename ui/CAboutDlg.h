// The About box: the program's icon, name and version, a legal notice and the contact address
// as a "mailto:" link, laid out from dialog template 100 (178 x 117 dialog units) in the
// dialog's font. The caller builds a fresh box for every showing and runs it modally:
//
//     CAboutDlg box(mainWindow);
//     box.exec();  // Accepted: OK, Enter; Rejected: Escape, the close button
//
// The focus starts on OK, the default button; the link is the only other tab stop.
#pragma once

#include <QDialog>

namespace quorvex {

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    // The box, owned by `owner` (the main window) if given; not shown yet.
    explicit CAboutDlg(QWidget* owner = nullptr);
};

}  // namespace quorvex
