#pragma once

#include <QLockFile>
#include <QObject>
#include <QStringList>

#include <functional>

class QSocketNotifier;

// One running copy per key: a second start hands its request to the first
// and ends without touching anything. Belltide keys its copies by the
// settings file, its help viewer by the help file. The copies meet at a lock
// file and a Unix socket in a folder of the user's alone (PrivateFolder), so
// that no other user can plant a lock that keeps a copy from starting or a
// socket that takes its requests.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    enum class Claim {
        Mine,       // the only copy (or no lock can be had at all: better two copies than none)
        HandedOver, // the running copy has the request
        Unanswered, // the copy that holds the lock never listened
    };

    // `place` names the kind of copy ("belltide", "belltide-help"); `key`
    // what the copies would share.
    SingleInstance(const QString &place, const QString &key, QObject *parent = nullptr);
    ~SingleInstance() override;

    // The request carries this launch's activation token (may be empty),
    // which lets the running copy take the focus on the desktop's terms, and
    // arguments of one line each. The copy that holds the lock may be between
    // taking it and listening: it is given a few seconds.
    Claim claim(const QByteArray &activationToken = {}, const QStringList &arguments = {});
    // Lets a new copy start: called once this copy has saved what it keeps.
    void release();

    // Between two tries to reach the copy that holds the lock.
    void setRetryPause(std::function<void()> pause) { m_pause = std::move(pause); }

signals:
    void activationRequested(const QByteArray &activationToken, const QStringList &arguments);

private:
    bool tryLock();
    bool send(const QByteArray &request) const;
    void listen();
    void answer(int peer);
    void received(const QByteArray &request);

    QString m_socketPath;
    QLockFile m_lock;
    int m_listener = -1;
    QSocketNotifier *m_notifier = nullptr;
    std::function<void()> m_pause;
};
