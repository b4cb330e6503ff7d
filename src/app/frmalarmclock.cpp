#include "frmalarmclock.h"

#include "alarmclock.h"
#include "appicon.h"
#include "clock.h"
#include "frmabout.h"
#include "frmclock.h"
#include "frmhelp.h"
#include "lastsettings.h"
#include "menukeys.h"
#include "nomaximize.h"
#include "windowplace.h"
#include "messagebox.h"
#include "programend.h"
#include "reminders.h"
#include "shoplink.h"
#include "shopwindow.h"
#include "ticktimer.h"
#include "ui_frmalarmclock.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>


namespace {

// Outer widths of the design, in pixels (3555 and 8625 twips), and the inner
// widths the folded window must keep between: the whole left column with both
// arrow buttons, and nothing of the reminder panel.
constexpr int kFoldedOuterWidth = 237;
constexpr int kLeftColumnRight = 231;
constexpr int kReminderPanelLeft = 240;
constexpr int kClientHeight = 335;

void fill(QWidget *widget, QPalette::ColorRole role, const QColor &color)
{
    QPalette p = widget->palette();
    p.setColor(role, color);
    widget->setPalette(p);
}

void fillBackground(QWidget *widget, const QColor &color)
{
    fill(widget, QPalette::Window, color);
    widget->setAutoFillBackground(true);
}

} // namespace

FrmAlarmClock::FrmAlarmClock(const Services &services, QWidget *parent)
    : QMainWindow(parent)
    , m_services(services)
    , m_ui(std::make_unique<Ui::FrmAlarmClock>())
{
    m_ui->setupUi(this);
    // The frame asked for as it is, not the toolkit's default: no maximize.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    refuseMaximize(this);
    // By the time the window is seen its frame is known: a folded window takes
    // the outer width of the design.
    keepPlace(this, [this] {
        if (width() < kUnfoldedWidth && width() != foldedWidth())
            CmdIn_Click();
    });
    setWindowIcon(appIcon());
    applyDesignLook();

    const Clock &clock = m_services.clock;
    m_timer1 = new TickTimer(clock, this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setAlignedToClock(true);
    m_timer2 = new TickTimer(clock, this);
    m_timer2->setObjectName(QStringLiteral("Timer2"));
    m_timer2->setEnabled(false);
    m_timer2->setInterval(1000);
    m_timer3 = new TickTimer(clock, this);
    m_timer3->setObjectName(QStringLiteral("Timer3"));
    m_timer3->setInterval(60000);

    Ui::FrmAlarmClock &ui = *m_ui;
    m_alarm = std::make_unique<AlarmClock>(
        AlarmControls{ui.txttimetot, ui.txttimetot2, ui.TxtTime, ui.Txtfile, ui.OptDate, ui.CmdSet, ui.CmdReset,
                      ui.cmdremset, m_timer1, m_timer2},
        clock, m_services.player, m_services.fileDialog, m_services.sleep, m_services.wake,
        [this](const QString &time, const QString &seconds) {
            frmclock().txttimetot()->setText(time);
            frmclock().txttimetot2()->setText(seconds);
        });
    m_reminders = std::make_unique<Reminders>(
        ReminderControls{ui.Calendar1, ui.TxtRem, ui.cmdremset, ui.CmdSet, m_timer2}, clock, m_services.settings,
        m_services.messageBox, m_services.reminderFile, m_services.otherReminderFile);

    connect(m_timer1, &TickTimer::timeout, this, [this] { m_alarm->Timer1_Timer(); });
    connect(m_timer2, &TickTimer::timeout, this, [this] { m_reminders->Timer2_Timer(); });
    connect(m_timer3, &TickTimer::timeout, this, [this] { m_reminders->Timer3_Timer(); });

    connect(ui.CmdSet, &QPushButton::clicked, this, [this] { m_alarm->CmdSet_Click(); });
    connect(ui.CmdReset, &QPushButton::clicked, this, [this] { m_alarm->CmdReset_Click(); });
    connect(ui.CmdBrowse, &QPushButton::clicked, this, [this] { m_alarm->CmdBrowse_Click(); });
    connect(ui.cmdremset, &QPushButton::clicked, this, [this] { m_reminders->cmdremset_Click(); });
    connect(ui.CmdIn, &QPushButton::clicked, this, &FrmAlarmClock::CmdIn_Click);
    connect(ui.cmdRem, &QPushButton::clicked, this, &FrmAlarmClock::cmdRem_Click);
    connect(ui.Command1, &QPushButton::clicked, this, &FrmAlarmClock::Command1_Click);
    connect(ui.Command2, &QPushButton::clicked, this, &FrmAlarmClock::Command2_Click);
    connect(ui.MnuExit, &QAction::triggered, this, &FrmAlarmClock::MnuExit_Click);
    connect(ui.MnuClock, &QAction::triggered, this, &FrmAlarmClock::MnuClock_Click);
    connect(ui.MnuAlarm, &QAction::triggered, this, &FrmAlarmClock::MnuAlarm_Click);
    connect(ui.MnuHow, &QAction::triggered, this, &FrmAlarmClock::MnuHow_Click);
    connect(ui.MnuAbout, &QAction::triggered, this, &FrmAlarmClock::MnuAbout_Click);

    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &FrmAlarmClock::onFocusWindowChanged);
    // The shop window lives in a process of its own: it says when it is active.
    m_services.shop.setActivationHandler([this] { m_otherOwnWindowWasActive = true; });
}

FrmAlarmClock::~FrmAlarmClock()
{
    m_services.shop.setActivationHandler({});
    delete m_frmclock;
    delete m_frmhelp;
    delete m_frmAbout;
}

// Arial (Liberation Sans, by fontconfig's choice) at 10 pixels: the largest
// size at which "Enable For A Reminder" fits beside its option mark and
// "reminder screen" ends before CmdIn, at every scale factor.
QFont FrmAlarmClock::defaultFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(7.5);
    return font;
}

// What the design file cannot hold: the colours taken from the running
// palette, a point size that is not whole, computed captions, and the size
// and place that depend on the menu bar and the screen.
void FrmAlarmClock::applyDesignLook()
{
    Ui::FrmAlarmClock &ui = *m_ui;
    const QColor highlight = palette().color(QPalette::Highlight);
    fillBackground(ui.centralwidget, highlight);
    for (QLineEdit *box : {ui.txttimetot, ui.txttimetot2})
        fill(box, QPalette::Base, highlight);

    QFont fileFont(QStringLiteral("Comic Sans MS"));
    fileFont.setPointSizeF(9.75);
    fileFont.setBold(true);
    ui.Txtfile->setFont(fileFont);
    fill(ui.Txtfile, QPalette::Text, palette().color(QPalette::WindowText));

    ui.Command1->setText(Shop::buyFromCaption());
    ui.Command2->setText(Shop::clickForCaption());

    enableMenuKeyboardAccess(menuBar());

    // The window cannot be resized: only folding changes its width.
    setFixedSize(kUnfoldedWidth, menuBar()->sizeHint().height() + kClientHeight);
    // The design position: the client area's top-left corner, below the menu
    // bar, at 4965, 3855 twips from the screen's corner; moved in where a small
    // screen (or a large scale factor) would leave part of the unfolded window
    // outside.
    QRect place(QPoint(331, 257 - menuBar()->sizeHint().height()), size());
    if (const QScreen *s = screen()) {
        const QRect room = s->availableGeometry();
        place.moveRight(std::min(place.right(), room.right()));
        place.moveBottom(std::min(place.bottom(), room.bottom()));
        place.moveLeft(std::max(place.left(), room.left()));
        place.moveTop(std::max(place.top(), room.top()));
    }
    setGeometry(place);
}

// ---- Start-up and exit --------------------------------------------------

void FrmAlarmClock::Form_Load()
{
    const LastSettings saved = LastSettings::read(m_services.settings);
    m_reminders->restored = {saved.remyear, saved.remmonth, saved.remday};

    m_ui->Txtfile->setText(saved.alarmMusic);
    m_ui->TxtTime->setText(saved.timealarm);
    m_reminders->setCalendarToToday();
    m_timer1->setInterval(100);
    m_ui->CmdReset->setEnabled(false);
    CmdIn_Click();
    if (!m_ui->TxtTime->text().isEmpty())
        m_alarm->arm();
}

void FrmAlarmClock::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void FrmAlarmClock::Form_Unload()
{
    programEnd().leave();
}

void FrmAlarmClock::MnuExit_Click()
{
    programEnd().leave();
}

ProgramEnd &FrmAlarmClock::programEnd()
{
    if (!m_end)
        m_end = std::make_unique<ProgramEnd>(*this, m_services);
    return *m_end;
}

LastSettings FrmAlarmClock::lastSettings() const
{
    const ReminderDate date = m_reminders->dateToSave();
    return {date.year, date.month, date.day, m_ui->TxtTime->text(), m_ui->Txtfile->text()};
}

void FrmAlarmClock::stopTicking()
{
    for (TickTimer *timer : {m_timer1, m_timer2, m_timer3})
        timer->setEnabled(false);
}

// ---- Folding --------------------------------------------------------------

int FrmAlarmClock::foldedWidth() const
{
    const int frame = frameGeometry().width() - geometry().width();
    return std::clamp(kFoldedOuterWidth - frame, kLeftColumnRight, kReminderPanelLeft - 1);
}

void FrmAlarmClock::CmdIn_Click()
{
    setFixedWidth(foldedWidth());
}

void FrmAlarmClock::cmdRem_Click()
{
    m_ui->Calendar1->grid(); // ready before it comes into view
    setFixedWidth(kUnfoldedWidth);
}

void FrmAlarmClock::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // The first activation comes right after the first show, even where no
    // window manager hands out the focus.
    if (!std::exchange(m_shownOnce, true))
        QTimer::singleShot(0, this, [this] { m_reminders->Form_Activate(); });
}

// Activation among the program's own windows runs Form_Activate: coming back
// from the clock-only view, the About window or the shop window. Coming back
// from a message box, the file dialog or another program does not count.
void FrmAlarmClock::onFocusWindowChanged(QWindow *window)
{
    if (!window)
        return;
    if (window == windowHandle()) {
        if (std::exchange(m_otherOwnWindowWasActive, false))
            m_reminders->Form_Activate();
    } else if ((m_frmclock && window == m_frmclock->windowHandle())
               || (m_frmAbout && window == m_frmAbout->windowHandle())) {
        m_otherOwnWindowWasActive = true;
    }
}

// ---- View, help and shop --------------------------------------------------

FrmClock &FrmAlarmClock::frmclock()
{
    if (!m_frmclock) {
        m_frmclock = new FrmClock(this, m_services.shop);
        m_frmclock->setObjectName(QStringLiteral("frmclock"));
    }
    return *m_frmclock;
}

void FrmAlarmClock::MnuClock_Click()
{
    frmclock().show();
    hide();
}

void FrmAlarmClock::MnuAlarm_Click()
{
    frmclock().hide();
    show();
}

FrmHelp &FrmAlarmClock::frmhelp()
{
    if (!m_frmhelp)
        m_frmhelp = new FrmHelp(m_services.help);
    return *m_frmhelp;
}

FrmHelp *FrmAlarmClock::loadedFrmhelp() const
{
    return m_frmhelp;
}

FrmAbout *FrmAlarmClock::loadedFrmAbout() const
{
    return m_frmAbout;
}

void FrmAlarmClock::MnuHow_Click()
{
    CommonDialog &dialog = frmhelp().CommonDialog1();
    dialog.setHelpFile(m_services.applicationDirectory + QStringLiteral("/HELP FOR BELLTIDE.HLP"));
    dialog.setHelpKey(QString());
    dialog.setHelpCommand(CommonDialog::HelpKeyCommand);
    dialog.ShowHelp();
}

void FrmAlarmClock::MnuAbout_Click()
{
    if (!m_frmAbout) {
        m_frmAbout = new FrmAbout;
        // Unloaded the moment it closes, though deleted a little later: the
        // next About must build a fresh window.
        connect(m_frmAbout, &QDialog::finished, this, [this] { m_frmAbout.clear(); });
    }
    m_frmAbout->show();
    m_frmAbout->raise();
    m_frmAbout->activateWindow();
}

void FrmAlarmClock::Command1_Click()
{
    openShop(m_services.shop);
}

void FrmAlarmClock::Command2_Click()
{
    openShop(m_services.shop);
}
