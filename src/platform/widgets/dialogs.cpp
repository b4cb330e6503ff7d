#include "dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

void QtMessageBox::show(const QString &prompt, const QString &title, Icon icon)
{
    QMessageBox box(icon == Icon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon, title, prompt,
                    QMessageBox::Ok, m_parent);
    box.exec();
}

QtFileDialog::QtFileDialog(QString title, const QString &filter, QWidget *parent)
    : m_title(std::move(title))
    , m_parent(parent)
{
    // "name|pattern|name|pattern": a name that already ends in its pattern in
    // parentheses, as "mp3(*.mp3)", is shown as it stands.
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString &name = parts[i];
        const QString &pattern = parts[i + 1];
        m_nameFilters << (name.endsWith(u'(' + pattern + u')') ? name : QStringLiteral("%1 (%2)").arg(name, pattern));
    }
}

bool QtFileDialog::showOpen()
{
    QFileDialog dialog(m_parent, m_title);
    dialog.setObjectName(QStringLiteral("DlgBrowse"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(m_nameFilters);
    if (!m_nameFilters.isEmpty())
        dialog.selectNameFilter(m_nameFilters.first());
    if (!m_directory.isEmpty())
        dialog.setDirectory(m_directory);
    if (!m_fileName.isEmpty())
        dialog.selectFile(m_fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    m_fileName = QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
    m_directory = QFileInfo(m_fileName).absolutePath();
    return true;
}
