// Shows the About box on the current display, for screenshots (scripts/screenshot-about.sh).
// Prints "shown 0x<window id>" once the box is on screen; ends when the box is closed.
#include <QApplication>
#include <QTimer>

#include <cstdio>

#include "ui/ApplicationIcon.h"
#include "ui/CAboutDlg.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setWindowIcon(quorvex::ApplicationIcon());
    quorvex::CAboutDlg box;
    QTimer::singleShot(500, &box, [&box] {
        std::printf("shown 0x%llx\n", static_cast<unsigned long long>(box.winId()));
        std::fflush(stdout);
    });
    box.exec();
    return 0;
}
