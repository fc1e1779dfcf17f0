// A process that tries to take the single-instance guard, for the two-process tests.
//
//   single_instance_helper DIRECTORY
//
// Prints one line on what it found: "acquired", "held answered", "held unanswered" or
// "unguarded". Holding the guard, it prints "raise" for every raise request and keeps the
// guard until its standard input ends. Exit status: 0 after holding the guard, 1 when another
// process held it, 2 unguarded, 64 for a wrong command line.
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>

#include "ui/SingleInstanceGuard.h"

namespace {

void Say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        std::fprintf(stderr, "usage: single_instance_helper DIRECTORY\n");
        return 64;
    }

    quorvex::SingleInstanceGuard guard(quorvex::SingleInstanceGuard::kName, arguments[1]);
    const auto result = guard.TryAcquire();
    switch (result.outcome) {
        case quorvex::SingleInstanceGuard::Outcome::HeldByOther:
            Say(result.holderAnswered ? "held answered" : "held unanswered");
            return 1;
        case quorvex::SingleInstanceGuard::Outcome::Unguarded:
            Say("unguarded");
            return 2;
        case quorvex::SingleInstanceGuard::Outcome::Acquired:
            break;
    }

    QObject::connect(&guard, &quorvex::SingleInstanceGuard::RaiseRequested, [] { Say("raise"); });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&input] {
        char buffer[256];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
        }
    });
    Say("acquired");
    return app.exec();
}
