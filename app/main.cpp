// Quorvex: argument check, the display check, then the application on a QApplication.
#include <QApplication>

#include <cstdio>
#include <cstdlib>

#include "ui/CQuorvexApp.h"
#include "ui/CommandLine.h"

int main(int argc, char** argv) {
    const quorvex::CommandLine line = quorvex::ParseCommandLine(argc, argv);
    switch (line.action) {
        case quorvex::CommandLine::Action::ShowHelp:
            std::fputs(quorvex::HelpText().c_str(), stdout);
            return EXIT_SUCCESS;
        case quorvex::CommandLine::Action::ShowVersion:
            std::fputs(quorvex::VersionText().c_str(), stdout);
            return EXIT_SUCCESS;
        case quorvex::CommandLine::Action::UsageError:
            std::fprintf(stderr, "quorvex: %s\nTry 'quorvex --help'.\n", line.error.c_str());
            return 2;
        case quorvex::CommandLine::Action::Run:
            break;
    }
    // Without a display Qt would abort with a plugin error; say what is missing instead.
    const auto unset = [](const char* name) {
        const char* value = std::getenv(name);
        return value == nullptr || *value == '\0';
    };
    if (!line.platformGiven && unset("QT_QPA_PLATFORM") && unset("DISPLAY") &&
        unset("WAYLAND_DISPLAY")) {
        std::fputs(
            "quorvex: no display: neither DISPLAY nor WAYLAND_DISPLAY is set.\n"
            "Start Quorvex from a desktop session, or give it a virtual display, for example\n"
            "    xvfb-run quorvex\n"
            "(package xvfb), or connect with ssh -X.\n",
            stderr);
        return EXIT_FAILURE;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvex"));
    QApplication::setDesktopFileName(QStringLiteral("quorvex"));
    return quorvex::CQuorvexApp().InitInstance();
}
