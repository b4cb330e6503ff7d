#pragma once

#include "filedialog.h"
#include "messagebox.h"

#include <QPointer>
#include <QStringList>

class QWidget;

// The Qt implementations of the small platform interfaces.

class QtMessageBox final : public MessageBox
{
public:
    explicit QtMessageBox(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }
    void show(const QString &prompt, const QString &title, Icon icon) override;

private:
    QPointer<QWidget> m_parent;
};

// Qt's own file dialog, not the desktop's, so it behaves the same everywhere.
// The filter is given as "name|pattern|name|pattern...", the first pair
// selected when the dialog opens.
class QtFileDialog final : public FileDialog
{
public:
    QtFileDialog(QString title, const QString &filter, QWidget *parent = nullptr);
    void setParent(QWidget *parent) { m_parent = parent; }

    bool showOpen() override;
    QString fileName() const override { return m_fileName; }

    QStringList nameFilters() const { return m_nameFilters; }

private:
    QString m_title;
    QStringList m_nameFilters;
    QString m_fileName;
    QString m_directory;
    QPointer<QWidget> m_parent;
};
