#pragma once

#include <QWidget>

#include <memory>

class QWebEngineView;
namespace Ui {
class Form1;
}

// The web view window: the shop's name as its caption and one web view,
// WebBrowser1, larger than the window and of a fixed size, so the window
// shows its top-left part and maximising shows more. It opens on no page.
// Closing it destroys it.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    QWebEngineView *WebBrowser1() const;

private:
    std::unique_ptr<Ui::Form1> m_ui;
};
