#pragma once

#include <QLockFile>
#include <QObject>

class QLocalServer;

// One help viewer per help file: a viewer started on a file that another
// viewer already shows hands its request over to it and ends, and the viewer
// that shows the file comes forward. The viewers meet at a lock file and a
// local socket in the user's runtime folder, both named after the file.
class ViewerInstance : public QObject
{
    Q_OBJECT

public:
    explicit ViewerInstance(const QString &helpFile, QObject *parent = nullptr);
    ~ViewerInstance() override;

    // True when this viewer is the one for its file (or no lock can be had at
    // all: better two viewers than none). Otherwise the request, with the
    // activation token the starter gave (XDG_ACTIVATION_TOKEN), has gone to
    // the viewer that shows the file.
    bool claim(int command, const QString &key, const QString &activationToken);

signals:
    // Another start asked for the file.
    void requested(int command, const QString &key, const QString &activationToken);

private:
    void listen();

    QString m_socketPath;
    QLockFile m_lock;
    QLocalServer *m_server = nullptr;
};
