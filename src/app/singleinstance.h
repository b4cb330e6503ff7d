#pragma once

#include <QLockFile>
#include <QObject>

class QLocalServer;

// One running copy per settings file: a second start asks the first to come to
// the front and ends without touching anything.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // `key` names what the copies would share (the settings file's path).
    explicit SingleInstance(const QString &key, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this is the only copy. Otherwise the running copy has been
    // asked to come forward.
    bool claim();

signals:
    void activationRequested();

private:
    QString m_name;
    QLockFile m_lock;
    QLocalServer *m_server = nullptr;
};
