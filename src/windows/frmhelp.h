#pragma once

#include <QObject>
#include <QString>
#include <QWidget>

class HelpLauncher;

// The help front end: a help file, a keyword and a command for the viewer,
// handed over together by ShowHelp. Its settings start empty and 0.
class CommonDialog : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString HelpFile READ helpFile WRITE setHelpFile)
    Q_PROPERTY(QString HelpKey READ helpKey WRITE setHelpKey)
    Q_PROPERTY(int HelpCommand READ helpCommand WRITE setHelpCommand)

public:
    // The viewer's command that opens a file at a keyword; with an empty
    // keyword, at its keyword index.
    static constexpr int HelpKeyCommand = 0x101;

    CommonDialog(HelpLauncher &launcher, QObject *parent);

    QString helpFile() const { return m_helpFile; }
    void setHelpFile(const QString &file) { m_helpFile = file; }
    QString helpKey() const { return m_helpKey; }
    void setHelpKey(const QString &key) { m_helpKey = key; }
    int helpCommand() const { return m_helpCommand; }
    void setHelpCommand(int command) { m_helpCommand = command; }

    // Starts the viewer and returns at once.
    void ShowHelp();

private:
    HelpLauncher &m_launcher;
    QString m_helpFile;
    QString m_helpKey;
    int m_helpCommand = 0;
};

// A window that is never shown: it only carries CommonDialog1, so the help
// settings live as long as the program once the help menu has been used.
class FrmHelp : public QWidget
{
    Q_OBJECT

public:
    explicit FrmHelp(HelpLauncher &launcher);

    CommonDialog &CommonDialog1() { return *m_commonDialog1; }

private:
    CommonDialog *m_commonDialog1;
};
