#include "frmabout.h"

#include "appicon.h"
#include "appinfo.h"
#include "nomaximize.h"
#include "shoplink.h"
#include "ui_frmabout.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

void fill(QWidget *widget, QPalette::ColorRole role, const QColor &color)
{
    QPalette p = widget->palette();
    p.setColor(role, color);
    widget->setPalette(p);
}

} // namespace

QPixmap bellPicture(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 100.0, size / 100.0);

    // The sunrise: a round patch of warm sky behind the bell.
    QRadialGradient sky(50, 95, 95);
    sky.setColorAt(0.0, QColor(0xff, 0xf1, 0x76));
    sky.setColorAt(0.45, QColor(0xff, 0xa0, 0x30));
    sky.setColorAt(1.0, QColor(0xd8, 0x3a, 0x5a));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawEllipse(QRectF(2, 2, 96, 96));

    // The bell's body, flaring out to its lip.
    QPainterPath body;
    body.moveTo(50, 16);
    body.cubicTo(70, 16, 74, 34, 74, 50);
    body.cubicTo(74, 62, 80, 68, 86, 74);
    body.lineTo(14, 74);
    body.cubicTo(20, 68, 26, 62, 26, 50);
    body.cubicTo(26, 34, 30, 16, 50, 16);
    QLinearGradient gold(26, 0, 74, 0);
    gold.setColorAt(0.0, QColor(0xb8, 0x86, 0x0b));
    gold.setColorAt(0.4, QColor(0xff, 0xe0, 0x60));
    gold.setColorAt(1.0, QColor(0xc8, 0x90, 0x10));
    p.setBrush(gold);
    p.setPen(QPen(QColor(0x6b, 0x45, 0x00), 3));
    p.drawPath(body);

    // Handle on top, clapper below.
    p.setBrush(QColor(0xc8, 0x90, 0x10));
    p.drawEllipse(QRectF(43, 8, 14, 10));
    p.setBrush(QColor(0xe0, 0x10, 0x10));
    p.drawEllipse(QRectF(42, 72, 16, 16));

    // Ringing strokes either side.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(2, 24, 20, 36), 120 * 16, 120 * 16);
    p.drawArc(QRectF(78, 24, 20, 36), -60 * 16, 120 * 16);
    return pixmap;
}

FrmAbout::FrmAbout()
    : m_ui(std::make_unique<Ui::FrmAbout>())
{
    m_ui->setupUi(this);
    // A fixed dialog frame with a close box only. No owner, so it is a window
    // of its own and the main window stays usable.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    refuseMaximize(this);
    setWindowIcon(appIcon());
    applyDesignLook();

    connect(m_ui->cmdOK, &QPushButton::clicked, this, &FrmAbout::cmdOK_Click);

    Form_Load();
}

FrmAbout::~FrmAbout() = default;

void FrmAbout::applyDesignLook()
{
    Ui::FrmAbout &ui = *m_ui;
    const QColor highlight = palette().color(QPalette::Highlight);
    const QColor menuText = palette().color(QPalette::WindowText);

    fill(this, QPalette::Window, highlight);
    setAutoFillBackground(true);

    // The design file holds whole point sizes only.
    QFont labelFont(QStringLiteral("Arial"));
    labelFont.setPointSizeF(9.75);
    labelFont.setBold(true);
    for (QLabel *label : {ui.lblTitle, ui.lblVersion, ui.lblDescription, ui.lblDisclaimer})
        label->setFont(labelFont);

    // The icon is drawn, so it stays sharp when stretched over the image box.
    ui.Image1->setPixmap(clockFacePixmap(ui.Image1->height()));

    // On the menu-text colour, a caption in whichever of black and white reads.
    ui.cmdOK->setIcon(QIcon(bellPicture(44)));
    ui.cmdOK->setIconSize(QSize(22, 22));
    QPalette ok = ui.cmdOK->palette();
    ok.setColor(QPalette::Button, menuText);
    ok.setColor(QPalette::ButtonText, menuText.lightness() > 128 ? Qt::black : Qt::white);
    ui.cmdOK->setPalette(ok);

    ui.Command1->setText(Shop::buyFromCaption());

    // Not resizable; the design position, client corner at 2340, 1935 twips.
    setFixedSize(382, 237);
    setGeometry(QRect(QPoint(156, 129), size()));
}

void FrmAbout::Form_Load()
{
    const QString title = QString::fromUtf8(AppInfo::title);
    setWindowTitle(QStringLiteral("About ") + title);
    m_ui->lblVersion->setText(QStringLiteral("Version %1.%2.%3")
                                  .arg(AppInfo::versionMajor)
                                  .arg(AppInfo::versionMinor)
                                  .arg(AppInfo::versionRevision));
    m_ui->lblTitle->setText(title);
}

void FrmAbout::cmdOK_Click()
{
    close();
}

void FrmAbout::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_ui->cmdOK->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
