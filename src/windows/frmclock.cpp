#include "frmclock.h"

#include "appicon.h"
#include "menukeys.h"
#include "nomaximize.h"
#include "shoplink.h"
#include "ui_frmclock.h"

#include <QCloseEvent>

FrmClock::FrmClock(QWidget *frmAlarmClock, ShopWindow &shop)
    : m_ui(std::make_unique<Ui::FrmClock>())
    , m_frmAlarmClock(frmAlarmClock)
    , m_shop(shop)
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    refuseMaximize(this);
    setWindowIcon(appIcon());
    resize(233, 98 + menuBar()->sizeHint().height());

    // Grey digits on black (the design file's): the boxes stay disabled, as
    // designed. In the menu text's colour when active.
    for (QLineEdit *box : {m_ui->txttimetot, m_ui->txttimetot2}) {
        QPalette p = box->palette();
        p.setColor(QPalette::Active, QPalette::Text, palette().color(QPalette::WindowText));
        box->setPalette(p);
    }
    QPalette bg = centralWidget()->palette();
    bg.setColor(QPalette::Window, palette().color(QPalette::WindowText));
    centralWidget()->setPalette(bg);
    centralWidget()->setAutoFillBackground(true);

    m_ui->Command1->setText(Shop::buyFromCaption());
    enableMenuKeyboardAccess(menuBar());

    connect(m_ui->MnuFull, &QAction::triggered, this, &FrmClock::MnuFull_Click);
    connect(m_ui->Command1, &QPushButton::clicked, this, &FrmClock::Command1_Click);
}

FrmClock::~FrmClock() = default;

QLineEdit *FrmClock::txttimetot() const { return m_ui->txttimetot; }
QLineEdit *FrmClock::txttimetot2() const { return m_ui->txttimetot2; }

void FrmClock::MnuFull_Click()
{
    m_frmAlarmClock->show();
    hide();
}

void FrmClock::Command1_Click()
{
    openShop(m_shop);
}

void FrmClock::closeEvent(QCloseEvent *event)
{
    m_frmAlarmClock->show();
    event->accept();
}
