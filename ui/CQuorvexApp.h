// Start-up and shutdown of the program, between main() and the main window:
//
//   single-instance guard -> (taken elsewhere: ask that window to the front, end with 0)
//   -> main window, modal -> DelayTimeMgr::Stop (worker joined) -> guard released
//
// A start-up that cannot probe (no raw socket, no I/O service, no worker thread, too many
// targets for the open-file limit) ends with one message, on screen and on stderr, and status 1;
// no window is left behind and the guard is released.
#pragma once

#include <QString>
#include <functional>

namespace quorvex {

class CQuorvexApp {
public:
    // Shows a fatal start-up message; the default is a message box titled "Quorvex".
    using FatalMessage = std::function<void(const QString& text)>;

    explicit CQuorvexApp(FatalMessage showFatal = ShowMessageBox);

    // Runs the program on the QApplication's thread; returns the process's exit status.
    int InitInstance();

    // The text shown when building the probes or starting the worker failed with `error`.
    static QString FatalStartupText(const std::exception& error);
    static void ShowMessageBox(const QString& text);

private:
    FatalMessage showFatal_;
};

}  // namespace quorvex
