#include "webhelper.h"

#include "form1.h"

#include <QGuiApplication>
#include <QSocketNotifier>
#include <QWindow>
#include <QUrl>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace {

class RequestLogger final : public QWebEngineUrlRequestInterceptor
{
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        say("request " + info.requestUrl().toEncoded(QUrl::FullyEncoded));
    }
};

} // namespace

void say(const QByteArray &line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

WebHelper::WebHelper(int inputFd, QObject *parent)
    : QObject(parent)
    , m_inputFd(inputFd)
    , m_log(qEnvironmentVariableIntValue("BELLTIDE_WEB_LOG") == 1)
{
    if (m_log)
        QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(
            new RequestLogger(QWebEngineProfile::defaultProfile()));
    m_notifier = new QSocketNotifier(m_inputFd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &WebHelper::readInput);
}

WebHelper::~WebHelper()
{
    if (m_form) {
        m_form->disconnect(this);
        delete m_form;
    }
}

void WebHelper::readInput()
{
    char buffer[4096];
    const ssize_t n = ::read(m_inputFd, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (n <= 0) {
        // Belltide has ended, or let go of this helper.
        m_notifier->setEnabled(false);
        if (!m_finished) {
            m_finished = true;
            emit finished();
        }
        return;
    }
    m_pending.append(buffer, n);
    qsizetype end;
    while (!m_finished && (end = m_pending.indexOf('\n')) >= 0) {
        const QByteArray line = m_pending.left(end);
        m_pending.remove(0, end + 1);
        command(line.trimmed());
    }
}

void WebHelper::command(const QByteArray &line)
{
    if (m_finished)
        return;
    if (line == "show") {
        Form1 *f = form();
        f->setWindowState(f->windowState() & ~Qt::WindowMinimized);
        f->show();
        f->raise();
        f->activateWindow();
    } else if (line.startsWith("navigate ")) {
        const QUrl url = QUrl::fromEncoded(line.mid(9).trimmed());
        if (url.isValid())
            form()->WebBrowser1()->load(url);
    } else if (line == "close") {
        if (m_form)
            m_form->close();
    }
}

Form1 *WebHelper::form()
{
    if (!m_form) {
        m_form = new Form1;
        connect(m_form, &QObject::destroyed, this, &WebHelper::windowClosed);
        connect(qApp, &QGuiApplication::focusWindowChanged, m_form, [this](QWindow *window) {
            if (window && m_form && window == m_form->windowHandle())
                say("active");
        });
        if (m_log) {
            connect(m_form->WebBrowser1(), &QWebEngineView::loadFinished, this, [this](bool ok) {
                if (m_form)
                    say(QByteArray(ok ? "loaded ok " : "loaded failed ")
                        + m_form->WebBrowser1()->url().toEncoded(QUrl::FullyEncoded));
            });
            say("window " + QByteArray::number(m_form->width()) + 'x' + QByteArray::number(m_form->height()) + ' '
                + m_form->windowTitle().toUtf8());
        }
    }
    return m_form;
}

void WebHelper::windowClosed()
{
    if (m_finished)
        return;
    m_finished = true;
    say("closed");
    emit finished();
}
