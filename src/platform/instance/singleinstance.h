#pragma once

#include <QLockFile>
#include <QObject>

class QSocketNotifier;

// One running copy per settings file: a second start asks the first to come to
// the front and ends without touching anything. The copies meet at a lock file
// and a Unix socket in a folder of the user's alone (PrivateFolder), so that
// no other user can plant a lock that keeps Belltide from starting.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // `key` names what the copies would share (the settings file's path).
    explicit SingleInstance(const QString &key, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this is the only copy. Otherwise the running copy has been
    // asked to come forward, with this launch's activation token (may be
    // empty), which lets it take the focus on the desktop's terms.
    bool claim(const QByteArray &activationToken = {});
    // Lets a new copy start: called once this copy has saved what it keeps.
    void release();

signals:
    void activationRequested(const QByteArray &activationToken);

private:
    void listen();
    void answer(int peer);
    static QByteArray tokenFrom(QByteArray line);

    QString m_socketPath;
    QLockFile m_lock;
    int m_listener = -1;
    QSocketNotifier *m_notifier = nullptr;
};
