#pragma once

#include <QMainWindow>

#include <memory>

namespace Ui { class FrmClock; }
class QLineEdit;
class ShopWindow;

// The clock-only view: the running time and nothing else, standing in for the
// main window. It keeps no logic and no timer: the main window's tick writes
// its two boxes.
class FrmClock : public QMainWindow
{
    Q_OBJECT

public:
    FrmClock(QWidget *frmAlarmClock, ShopWindow &shop);
    ~FrmClock() override;

    QLineEdit *txttimetot() const;
    QLineEdit *txttimetot2() const;

    void MnuFull_Click();
    void Command1_Click();

protected:
    // Closing the view brings the main window back, so the program never runs
    // without a visible window.
    void closeEvent(QCloseEvent *event) override;

private:
    std::unique_ptr<Ui::FrmClock> m_ui;
    QWidget *m_frmAlarmClock;
    ShopWindow &m_shop;
};
