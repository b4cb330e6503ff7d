#include "processshopwindow.h"

#include <QFileInfo>
#include <QProcess>
#include <QUrl>

ProcessShopWindow::ProcessShopWindow(QString helperProgram, QStringList arguments, QObject *parent)
    : QObject(parent)
    , m_program(std::move(helperProgram))
    , m_arguments(std::move(arguments))
{
}

ProcessShopWindow::~ProcessShopWindow()
{
    if (m_current)
        retire(m_current);
    // Each helper has had its input closed and ends by itself; waiting here,
    // after the program's own windows are gone, lets the web engine shut down
    // cleanly instead of leaving its child processes to notice a killed parent.
    const QList<QProcess *> helpers = m_retiring;
    m_retiring.clear();
    for (QProcess *process : helpers) {
        process->disconnect(this);
        if (process->state() != QProcess::NotRunning && !process->waitForFinished(kGraceOnExitMs)) {
            process->kill();
            process->waitForFinished(kGraceOnExitMs);
        }
        delete process;
    }
}

void ProcessShopWindow::show()
{
    send("show");
}

void ProcessShopWindow::navigate(const QUrl &address)
{
    send("navigate " + address.toEncoded(QUrl::FullyEncoded));
}

qint64 ProcessShopWindow::helperProcessId() const
{
    return m_current ? m_current->processId() : 0;
}

void ProcessShopWindow::send(const QByteArray &line)
{
    if (QProcess *process = helper())
        process->write(line + '\n');
}

QProcess *ProcessShopWindow::helper()
{
    if (m_current) {
        // The user may have closed the window a moment ago: take in what the
        // helper said before deciding that it is still the one to talk to.
        if (m_current->state() == QProcess::Running)
            m_current->waitForReadyRead(0);
        if (m_current)
            return m_current;
    }

    // A missing helper is not worth a failed start, nor a message: the shop
    // buttons then simply do nothing.
    const QFileInfo program(m_program);
    if (!program.isFile() || !program.isExecutable())
        return nullptr;

    auto *process = new QProcess(this);
    process->setProgram(m_program);
    process->setArguments(m_arguments);
    // The web engine's own diagnostics go where this program's would.
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(process, &QProcess::readyReadStandardOutput, this, [this, process] { readHelperOutput(process); });
    connect(process, &QProcess::finished, this, [this, process] {
        retire(process);
        m_retiring.removeOne(process);
        process->deleteLater();
    });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return; // a crash also ends in finished()
        retire(process);
        m_retiring.removeOne(process);
        process->deleteLater();
    });
    m_current = process;
    process->start(QIODevice::ReadWrite);
    // start() may already have failed and let go of the process.
    return m_current;
}

void ProcessShopWindow::readHelperOutput(QProcess *process)
{
    while (process->canReadLine()) {
        const QByteArray line = process->readLine().trimmed();
        if (line == "closed")
            retire(process);
        else if (line == "active" && m_activated)
            m_activated();
    }
}

void ProcessShopWindow::retire(QProcess *process)
{
    if (process == m_current) {
        m_current = nullptr;
        // Nothing more is said to it; at the end of its input it ends.
        if (process->state() != QProcess::NotRunning) {
            process->closeWriteChannel();
            m_retiring.append(process);
        }
    }
}
