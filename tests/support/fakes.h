#pragma once

// Fakes for the platform seams: they record what the program asked of them and
// answer what the test primed.

#include "clock.h"
#include "filedialog.h"
#include "helplauncher.h"
#include "mediaplayer.h"
#include "messagebox.h"
#include "processcontrol.h"
#include "services.h"
#include "settingsstore.h"
#include "shopwindow.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <optional>

class FakeClock final : public Clock
{
public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 5, 7), QTime(7, 29, 58)))
        : m_now(std::move(start))
    {
    }
    QDateTime now() const override { return m_now; }
    void set(const QDateTime &t) { m_now = t; }
    void setTime(QTime t) { m_now.setTime(t); }
    void advanceSeconds(int s) { m_now = m_now.addSecs(s); }
    void advanceDays(int d) { m_now = m_now.addDays(d); }

private:
    QDateTime m_now;
};

// Keeps values in memory, case-insensitively, and logs every saved entry.
class FakeSettingsStore final : public SettingsStore
{
public:
    QString get(const QString &area, const QString &section, const QString &key) const override
    {
        reads.append(area + u'\\' + section + u'\\' + key);
        return values.value(name(area, section, key));
    }
    using SettingsStore::save;
    bool save(const QList<Entry> &entries) override
    {
        ++saveCalls;
        if (failSaves)
            return false;
        for (const Entry &e : entries) {
            values.insert(name(e.area, e.section, e.key), e.value);
            saved.append(e);
        }
        return true;
    }
    QString errorString() const override { return failSaves ? QStringLiteral("No space left on device") : QString(); }
    QString location() const override { return QStringLiteral("/home/user/.config/belltide/settings.ini"); }

    void put(const QString &area, const QString &section, const QString &key, const QString &value)
    {
        values.insert(name(area, section, key), value);
    }
    static QString name(const QString &a, const QString &s, const QString &k)
    {
        return (a + u'\\' + s + u'\\' + k).toCaseFolded();
    }

    QHash<QString, QString> values;
    QList<Entry> saved;
    mutable QStringList reads;
    int saveCalls = 0;
    bool failSaves = false;
};

class FakeMediaPlayer final : public MediaPlayer
{
public:
    void setFileName(const QString &path) override { started.append(path); m_fileName = path; }
    QString fileName() const override { return m_fileName; }
    void stop() override { ++stops; }
    void setAlarmFlag(bool on) override { flag = on; }
    bool alarmFlag() const override { return flag; }

    QStringList started;
    int stops = 0;
    bool flag = false;

private:
    QString m_fileName;
};

class FakeFileDialog final : public FileDialog
{
public:
    // The next answer: a path to choose, or nullopt to cancel.
    std::optional<QString> next;
    int shown = 0;

    bool showOpen() override
    {
        ++shown;
        if (!next)
            return false;
        m_fileName = *next;
        return true;
    }
    QString fileName() const override { return m_fileName; }

private:
    QString m_fileName;
};

class FakeMessageBox final : public MessageBox
{
public:
    struct Shown
    {
        QString prompt;
        QString title;
        Icon icon;
    };
    QList<Shown> shown;
    // Runs while the box is "open", as events do in a real box's own loop.
    std::function<void()> whileOpen;
    void show(const QString &prompt, const QString &title, Icon icon) override
    {
        shown.append({prompt, title, icon});
        if (whileOpen)
            whileOpen();
    }
};

class FakeHelpLauncher final : public HelpLauncher
{
public:
    struct Call
    {
        QString file;
        QString key;
        int command;
    };
    QList<Call> calls;
    void showHelp(const QString &file, const QString &key, int command) override { calls.append({file, key, command}); }
};

class FakeShopWindow final : public ShopWindow
{
public:
    int shows = 0;
    QList<QUrl> navigations;
    void show() override { ++shows; }
    void navigate(const QUrl &address) override { navigations.append(address); }
    std::function<void()> activated;
    void setActivationHandler(std::function<void()> handler) override { activated = std::move(handler); }
};

class FakeProcessControl final : public ProcessControl
{
public:
    int ends = 0;
    void endProcess() override { ++ends; }
};

// All fakes together, with a temporary program folder for the reminder file.
struct FakePlatform
{
    FakeClock clock;
    FakeSettingsStore settings;
    FakeMediaPlayer player;
    FakeFileDialog fileDialog;
    FakeMessageBox messageBox;
    FakeHelpLauncher help;
    FakeShopWindow shop;
    FakeProcessControl process;
    QTemporaryDir appDir;

    QString reminderFile() const { return appDir.path() + QStringLiteral("/reminder.ini"); }

    // The fakes, with the clock, the settings store or the process end
    // replaced by real ones where given.
    Services services(Clock *realClock = nullptr, SettingsStore *realSettings = nullptr,
                      ProcessControl *realProcess = nullptr)
    {
        return Services{realClock ? *realClock : clock,
                        realSettings ? *realSettings : settings,
                        player,
                        fileDialog,
                        messageBox,
                        help,
                        shop,
                        realProcess ? *realProcess : process,
                        appDir.path(),
                        reminderFile()};
    }
};
