// The per-user single-instance guard "mutex_for_readcount": a lock file and a local socket
// beside it, named with the user id, in $XDG_RUNTIME_DIR (else the temp directory).
//
//   first start:  TryAcquire() takes the lock, listens on the socket  -> Acquired
//                 a later start's "raise" request -> RaiseRequested(), then an answer
//   later start:  TryAcquire() finds the lock taken, sends "raise" and waits briefly for the
//                 answer                                               -> HeldByOther
//
// The lock is a QLockFile held for as long as this object holds it: a lock whose process has
// ended (crashed or killed) is taken over, never a running holder's, however long it has run.
// Answering needs the thread's event loop; asking does not.
#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

namespace quorvex {

class SingleInstanceGuard : public QObject {
    Q_OBJECT

public:
    // The guard's name, also the first part of its file names.
    static constexpr const char* kName = "mutex_for_readcount";

    enum class Outcome {
        Acquired,     // this process holds the guard and answers raise requests
        HeldByOther,  // another process holds it; holderAnswered says whether it answered
        Unguarded,    // no lock could be made (no usable directory): run without the guard
    };
    struct Result {
        Outcome outcome;
        bool holderAnswered;  // HeldByOther only: the holder confirmed the raise request
    };

    // A guard named `name` whose files lie in `directory`; nothing is taken yet.
    explicit SingleInstanceGuard(const QString& name = kName,
                                 const QString& directory = DefaultDirectory(),
                                 QObject* parent = nullptr);
    // Releases the guard if it is held.
    ~SingleInstanceGuard() override;
    SingleInstanceGuard(const SingleInstanceGuard&) = delete;
    SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;

    // Takes the guard, or asks its holder to come to the front and waits up to answerTimeout
    // for the answer. Acquired again when this object already holds it.
    Result TryAcquire(std::chrono::milliseconds answerTimeout = std::chrono::milliseconds(1000));
    // Stops listening and gives the lock up; a later TryAcquire() of any process can take it.
    void Release();
    bool IsHeld() const;

    QString LockPath() const;
    QString SocketPath() const;
    // $XDG_RUNTIME_DIR when it names a directory, else the temp directory.
    static QString DefaultDirectory();

signals:
    // A later start asked this holder to bring its window to the front.
    void RaiseRequested();

private:
    void Listen();
    void OnNewConnection();
    void OnRequest(QLocalSocket* client);
    bool AskHolderToRaise(std::chrono::milliseconds timeout) const;

    const QString basePath;  // directory/name-uid; the files add .lock and .socket
    std::unique_ptr<QLockFile> lock;
    std::unique_ptr<QLocalServer> server;  // listens while the lock is held, if it could
};

}  // namespace quorvex
