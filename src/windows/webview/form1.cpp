#include "form1.h"

#include "appicon.h"
#include "shoplink.h"
#include "ui_form1.h"

#include <QWebEngineView>

Form1::Form1(QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::Form1>())
{
    m_ui->setupUi(this);
    setWindowTitle(Shop::name);
    setWindowIcon(appIcon());
    setAttribute(Qt::WA_DeleteOnClose);
    // No layout: the view keeps its design size whatever the window's size.
    m_ui->WebBrowser1->setFixedSize(m_ui->WebBrowser1->size());
}

Form1::~Form1() = default;

QWebEngineView *Form1::WebBrowser1() const
{
    return m_ui->WebBrowser1;
}
