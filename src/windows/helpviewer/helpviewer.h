#pragma once

#include <QList>
#include <QMainWindow>
#include <QString>

class QListWidget;
class QListWidgetItem;
class QTextBrowser;

// One entry of a help file's keyword index: the keyword and the anchor of the
// topic it leads to.
struct HelpKeyword
{
    QString text;
    QString anchor;
};

// Belltide's help viewer. A help file is an HTML page; its keyword index is
// the list that follows the element carrying the anchor "index", each entry a
// link "#anchor" to a topic of the same page. The viewer shows the keyword
// index beside the page and opens a file as the program's help menu asks:
// at a keyword, at the keyword index when the keyword is empty, or at the
// beginning.
class HelpViewer : public QMainWindow
{
    Q_OBJECT

public:
    // The commands the help menu sends, with their values on the wire.
    enum Command : int {
        HelpContext = 0x001,
        HelpQuit = 0x002,
        HelpContents = 0x003,
        HelpKey = 0x101,
        HelpPartialKey = 0x105,
    };

    explicit HelpViewer(QWidget *parent = nullptr);

    // What viewers of one file share: the file under any spelling of its path.
    static QString fileKey(const QString &helpFile);

    // Loads the help file and goes where the command and keyword say. A file
    // that cannot be read leaves a message naming it in the window, and
    // false.
    bool open(const QString &helpFile, int command, const QString &key);

    // Asked for again: out of the taskbar if minimized, on top, and with the
    // focus where the desktop allows it. On Wayland only a token from the
    // window that had the focus lets the compositor hand it over.
    void comeForward(const QString &activationToken);

    // The keyword index of the page shown.
    QList<HelpKeyword> keywordIndex() const { return m_keywords; }
    // Every anchor of the page shown.
    QStringList anchorNames() const;

    QTextBrowser *browser() const { return m_browser; }
    QListWidget *indexList() const { return m_index; }

    // Shows the topic of a keyword (an exact match, or else the first that
    // begins with it, regardless of case). False when none matches.
    bool showKeyword(const QString &key);

private:
    void showIndex();
    void showMessage(const QString &html);
    void readKeywordIndex();
    void goToAnchor(const QString &anchor);

    QTextBrowser *m_browser;
    QListWidget *m_index;
    QList<HelpKeyword> m_keywords;
};
