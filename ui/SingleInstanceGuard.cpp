#include "ui/SingleInstanceGuard.h"

#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

namespace quorvex {

namespace {

// The one request a later start sends and the holder's answer, one line each.
constexpr char kRaiseRequest[] = "raise\n";
constexpr char kRaiseAnswer[] = "raised\n";
// A request is one short line; a client that sends more without a line end is dropped.
constexpr qint64 kLongestRequest = 64;

int Remaining(const QDeadlineTimer& deadline) { return static_cast<int>(deadline.remainingTime()); }

}  // namespace

SingleInstanceGuard::SingleInstanceGuard(const QString& name, const QString& directory,
                                         QObject* parent)
    : QObject(parent),
      basePath(QDir(directory).filePath(name + QLatin1Char('-') + QString::number(::getuid()))) {}

SingleInstanceGuard::~SingleInstanceGuard() { Release(); }

SingleInstanceGuard::Result SingleInstanceGuard::TryAcquire(
    std::chrono::milliseconds answerTimeout) {
    if (IsHeld()) return {Outcome::Acquired, false};
    auto candidate = std::make_unique<QLockFile>(LockPath());
    // Stale is only a lock whose process is gone (QLockFile checks the pid it wrote, and that no
    // one holds the file's flock() any more, before it removes a lock). Its default would also
    // call any lock older than 30 s stale, a long-running first instance's included.
    candidate->setStaleLockTime(0);
    if (candidate->tryLock(0)) {
        lock = std::move(candidate);
        Listen();
        return {Outcome::Acquired, false};
    }
    if (candidate->error() != QLockFile::LockFailedError) return {Outcome::Unguarded, false};
    return {Outcome::HeldByOther, AskHolderToRaise(answerTimeout)};
}

void SingleInstanceGuard::Release() {
    server.reset();  // closing removes the socket file
    lock.reset();    // unlocking removes the lock file
}

bool SingleInstanceGuard::IsHeld() const { return lock != nullptr; }

QString SingleInstanceGuard::LockPath() const { return basePath + QStringLiteral(".lock"); }

QString SingleInstanceGuard::SocketPath() const { return basePath + QStringLiteral(".socket"); }

QString SingleInstanceGuard::DefaultDirectory() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime;
    return QDir::tempPath();
}

void SingleInstanceGuard::Listen() {
    server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    // This process holds the lock, so a socket file still there was left by a holder that was
    // killed before it could remove it; listening would fail on it.
    QLocalServer::removeServer(SocketPath());
    if (!server->listen(SocketPath())) {
        // The guard still holds; later starts are turned away, unanswered.
        server.reset();
        return;
    }
    connect(server.get(), &QLocalServer::newConnection, this,
            &SingleInstanceGuard::OnNewConnection);
}

void SingleInstanceGuard::OnNewConnection() {
    while (QLocalSocket* client = server->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QLocalSocket::readyRead, this, [this, client] { OnRequest(client); });
    }
}

void SingleInstanceGuard::OnRequest(QLocalSocket* client) {
    if (!client->canReadLine()) {
        if (client->bytesAvailable() > kLongestRequest) client->abort();
        return;
    }
    if (client->readLine() == kRaiseRequest) {
        emit RaiseRequested();
        client->write(kRaiseAnswer);
    }
    client->disconnectFromServer();  // after the answer has been written
}

bool SingleInstanceGuard::AskHolderToRaise(std::chrono::milliseconds timeout) const {
    const QDeadlineTimer deadline(timeout);
    QLocalSocket socket;
    // The holder listens right after it has taken the lock; a start that comes in between
    // finds no socket yet and tries again until the deadline.
    for (;;) {
        socket.connectToServer(SocketPath());
        if (socket.waitForConnected(Remaining(deadline))) break;
        if (deadline.hasExpired()) return false;
        QThread::msleep(20);
    }
    socket.write(kRaiseRequest);
    if (!socket.waitForBytesWritten(Remaining(deadline))) return false;
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(Remaining(deadline))) return false;
    return socket.readLine() == kRaiseAnswer;
}

}  // namespace quorvex
