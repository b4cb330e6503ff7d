#include "frmhelp.h"

#include "appicon.h"
#include "helplauncher.h"

CommonDialog::CommonDialog(HelpLauncher &launcher, QObject *parent)
    : QObject(parent)
    , m_launcher(launcher)
{
}

void CommonDialog::ShowHelp()
{
    m_launcher.showHelp(m_helpFile, m_helpKey, m_helpCommand);
}

FrmHelp::FrmHelp(HelpLauncher &launcher)
    : m_commonDialog1(new CommonDialog(launcher, this))
{
    setObjectName(QStringLiteral("frmhelp"));
    setWindowTitle(QStringLiteral("Help"));
    // A sizable tool window, kept off the taskbar should it ever appear.
    setWindowFlags(Qt::Tool);
    setWindowIcon(appIcon());
    resize(176, 94);
    m_commonDialog1->setObjectName(QStringLiteral("CommonDialog1"));
}
