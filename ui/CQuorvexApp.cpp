#include "ui/CQuorvexApp.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QSocketNotifier>
#include <boost/system/system_error.hpp>

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <iterator>
#include <memory>
#include <system_error>

#include "manager/DelayTimeMgr.h"
#include "manager/OpenFileLimit.h"
#include "manager/TargetList.h"
#include "ui/CQuorvexDlg.h"
#include "ui/SingleInstanceGuard.h"

namespace quorvex {

namespace {

// SIGTERM, SIGINT and SIGHUP close the window, so the normal shutdown runs: worker joined,
// guard released. The handler only writes a byte to a socket the event loop watches.
class TerminationSignals {
public:
    explicit TerminationSignals(CQuorvexDlg& window) {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_) != 0) return;
        writeFd_ = fds_[1];
        notifier_ = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, &window, [this, &window] {
            char byte;
            [[maybe_unused]] auto n = ::read(fds_[0], &byte, 1);
            window.reject();
        });
        struct sigaction action {};
        action.sa_handler = [](int) {
            const char byte = 1;
            [[maybe_unused]] auto n = ::write(writeFd_, &byte, 1);
        };
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            ::sigaction(kSignals[i], &action, &previous_[i]);
    }
    ~TerminationSignals() {
        if (!notifier_) return;
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            ::sigaction(kSignals[i], &previous_[i], nullptr);
        notifier_.reset();
        writeFd_ = -1;
        ::close(fds_[0]);
        ::close(fds_[1]);
    }
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
    static inline volatile std::sig_atomic_t writeFd_ = -1;
    int fds_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
    struct sigaction previous_[std::size(kSignals)]{};
};

bool IsErrno(const boost::system::error_code& code, std::initializer_list<int> values) {
    if (code.category() != boost::system::system_category()) return false;
    for (int value : values)
        if (code.value() == value) return true;
    return false;
}

}  // namespace

CQuorvexApp::CQuorvexApp(FatalMessage showFatal) : showFatal_(std::move(showFatal)) {}

QString CQuorvexApp::FatalStartupText(const std::exception& error) {
    const QString program = QCoreApplication::applicationFilePath();
    const QString what = QString::fromLocal8Bit(error.what());
    if (const auto* system = dynamic_cast<const boost::system::system_error*>(&error)) {
        if (IsErrno(system->code(), {EPERM, EACCES}))
            return QStringLiteral(
                       "Quorvex cannot open a raw ICMP socket: %1.\n\n"
                       "Sending ICMP Echo Requests needs the CAP_NET_RAW capability. Run Quorvex "
                       "as root, or grant the program that capability once:\n\n"
                       "    sudo setcap cap_net_raw=ep %2")
                .arg(what, program);
        if (IsErrno(system->code(), {EMFILE, ENFILE}))
            return QStringLiteral(
                       "Quorvex cannot open a socket for every target in config.ini: %1.\n\n"
                       "Each target needs one open file; the limit is reached. List fewer "
                       "targets, or raise the open-file limit (ulimit -n) before starting "
                       "Quorvex.")
                .arg(what);
        return QStringLiteral("Quorvex cannot set up its network I/O: %1.").arg(what);
    }
    if (dynamic_cast<const std::system_error*>(&error))
        return QStringLiteral("Quorvex cannot start its worker thread: %1.").arg(what);
    return QStringLiteral("Quorvex cannot start: %1.").arg(what);
}

void CQuorvexApp::ShowMessageBox(const QString& text) {
    QMessageBox::critical(nullptr, QStringLiteral("Quorvex"), text);
}

int CQuorvexApp::InitInstance() {
    SingleInstanceGuard guard;
    if (guard.TryAcquire().outcome == SingleInstanceGuard::Outcome::HeldByOther) return 0;

    // Every target holds a socket: make room for the list before the window builds the probes.
    std::size_t targets = 0;
    LoadTargetList([&targets](const std::string&) { ++targets; });
    RaiseOpenFileLimit(DescriptorsForTargets(targets));

    CQuorvexDlg window;
    QObject::connect(&guard, &SingleInstanceGuard::RaiseRequested, &window, [&window] {
        window.raise();
        window.activateWindow();
    });
    TerminationSignals closeOnSignal(window);
    int status = 0;
    try {
        window.DoModal();
        DelayTimeMgr::GetInstance().Stop();
    } catch (const std::exception& error) {
        // Building the manager failed (no instance exists) or starting its worker did (the
        // instance exists and only needs its I/O service stopped). The window never showed.
        if (dynamic_cast<const std::system_error*>(&error) &&
            !dynamic_cast<const boost::system::system_error*>(&error))
            DelayTimeMgr::GetInstance().Stop();
        const QString text = FatalStartupText(error);
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        showFatal_(text);
        status = 1;
    }
    guard.Release();
    return status;
}

}  // namespace quorvex
