#include "helpviewer.h"

#include "appicon.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextList>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

const QString kIndexAnchor = QStringLiteral("index");

bool blockHasAnchor(const QTextBlock &block, const QString &name)
{
    for (auto it = block.begin(); !it.atEnd(); ++it)
        if (it.fragment().charFormat().anchorNames().contains(name))
            return true;
    return false;
}

} // namespace

QString HelpViewer::fileKey(const QString &helpFile)
{
    const QFileInfo info(helpFile);
    return info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
}

void HelpViewer::comeForward(const QString &activationToken)
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    // Qt's Wayland plugin activates with the token it finds here, once.
    if (!activationToken.isEmpty() && QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());
    activateWindow();
}

HelpViewer::HelpViewer(QWidget *parent)
    : QMainWindow(parent)
    , m_browser(new QTextBrowser)
    , m_index(new QListWidget)
{
    setObjectName(QStringLiteral("helpViewer"));
    setWindowTitle(QStringLiteral("Belltide Help"));
    setWindowIcon(appIcon());

    m_browser->setObjectName(QStringLiteral("topics"));
    m_browser->setOpenExternalLinks(true);
    m_index->setObjectName(QStringLiteral("keywordIndex"));

    auto *indexPane = new QWidget;
    auto *indexLayout = new QVBoxLayout(indexPane);
    indexLayout->setContentsMargins(4, 4, 0, 0);
    auto *indexLabel = new QLabel(QStringLiteral("&Index"));
    indexLabel->setBuddy(m_index);
    indexLayout->addWidget(indexLabel);
    indexLayout->addWidget(m_index);

    auto *splitter = new QSplitter;
    splitter->addWidget(indexPane);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({190, 530});
    setCentralWidget(splitter);

    QToolBar *bar = addToolBar(QStringLiteral("Navigation"));
    bar->setMovable(false);
    QAction *back = bar->addAction(QStringLiteral("Back"), m_browser, &QTextBrowser::backward);
    QAction *forward = bar->addAction(QStringLiteral("Forward"), m_browser, &QTextBrowser::forward);
    bar->addAction(QStringLiteral("Contents"), this, [this] { goToAnchor(QString()); });
    back->setShortcut(QKeySequence::Back);
    forward->setShortcut(QKeySequence::Forward);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);

    // A keyword is chosen by click, double click or Enter, as in any index.
    connect(m_index, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        goToAnchor(item->data(Qt::UserRole).toString());
    });
    connect(m_index, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        goToAnchor(item->data(Qt::UserRole).toString());
    });

    resize(720, 540);
}

bool HelpViewer::open(const QString &helpFile, int command, const QString &key)
{
    m_keywords.clear();
    m_index->clear();

    // Read it once here, to name the trouble in words: the browser itself
    // would only show an empty page.
    QFile file(helpFile);
    if (helpFile.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        const QString reason = helpFile.isEmpty() ? QStringLiteral("No help file was named.") : file.errorString();
        showMessage(QStringLiteral("<h2>The help file cannot be opened</h2>"
                                   "<p>The help file <b>%1</b> is missing or cannot be read.</p>"
                                   "<p>%2</p>")
                        .arg(helpFile.toHtmlEscaped(), reason.toHtmlEscaped()));
        return false;
    }
    file.close();

    setWindowTitle(QStringLiteral("Belltide Help - %1").arg(QFileInfo(helpFile).fileName()));
    m_browser->clearHistory();
    m_browser->setSource(QUrl::fromLocalFile(QFileInfo(helpFile).absoluteFilePath()), QTextDocument::HtmlResource);
    readKeywordIndex();

    switch (command) {
    case HelpKey:
    case HelpPartialKey:
        if (key.isEmpty() || !showKeyword(key))
            showIndex();
        break;
    default:
        m_browser->setFocus();
        break;
    }
    return true;
}

void HelpViewer::showMessage(const QString &html)
{
    setWindowTitle(QStringLiteral("Belltide Help"));
    m_browser->clearHistory();
    m_browser->setHtml(html);
    m_browser->setFocus();
}

void HelpViewer::showIndex()
{
    if (m_index->count() > 0 && !m_index->currentItem())
        m_index->setCurrentRow(0);
    m_index->setFocus();
}

bool HelpViewer::showKeyword(const QString &key)
{
    int found = -1;
    for (int i = 0; i < m_keywords.size() && found < 0; ++i)
        if (m_keywords[i].text.compare(key, Qt::CaseInsensitive) == 0)
            found = i;
    for (int i = 0; i < m_keywords.size() && found < 0; ++i)
        if (m_keywords[i].text.startsWith(key, Qt::CaseInsensitive))
            found = i;
    if (found < 0)
        return false;
    m_index->setCurrentRow(found);
    goToAnchor(m_keywords[found].anchor);
    m_browser->setFocus();
    return true;
}

void HelpViewer::goToAnchor(const QString &anchor)
{
    QUrl target = m_browser->source();
    if (target.isEmpty())
        return;
    target.setFragment(anchor.isEmpty() ? QString() : anchor);
    m_browser->setSource(target, QTextDocument::HtmlResource);
    if (anchor.isEmpty())
        m_browser->verticalScrollBar()->setValue(0);
}

QStringList HelpViewer::anchorNames() const
{
    QStringList names;
    const QTextDocument *doc = m_browser->document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            names << it.fragment().charFormat().anchorNames();
    return names;
}

void HelpViewer::readKeywordIndex()
{
    const QTextDocument *doc = m_browser->document();
    QTextBlock block = doc->begin();
    while (block.isValid() && !blockHasAnchor(block, kIndexAnchor))
        block = block.next();
    if (!block.isValid())
        return;

    // The index is the list that follows its heading, up to the first block
    // that is no longer part of a list.
    bool inList = false;
    for (block = block.next(); block.isValid(); block = block.next()) {
        if (!block.textList()) {
            if (inList)
                break;
            continue;
        }
        inList = true;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isAnchor() && format.anchorHref().startsWith(u'#')) {
                m_keywords.append({block.text().trimmed(), format.anchorHref().mid(1)});
                break;
            }
        }
    }

    for (const HelpKeyword &k : std::as_const(m_keywords)) {
        auto *item = new QListWidgetItem(k.text, m_index);
        item->setData(Qt::UserRole, k.anchor);
    }
}
