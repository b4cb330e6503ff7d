#pragma once

#include <QDialog>

#include <memory>

namespace Ui { class FrmAbout; }

// The About window: the program's title and version, filled in from the
// build's one version, so it always names the program that runs. Modeless and
// without owner; OK, Enter and Esc unload it, and the next opening builds it
// afresh.
class FrmAbout : public QDialog
{
    Q_OBJECT

public:
    FrmAbout();
    ~FrmAbout() override;

    // Caption, title and version line. Runs once, before the first show.
    void Form_Load();
    // Unloads the window: it closes and deletes itself.
    void cmdOK_Click();

protected:
    // Esc presses the cancel button, as Enter presses the default one.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void applyDesignLook();

    std::unique_ptr<Ui::FrmAbout> m_ui;
};

// The picture on the OK button: a golden bell ringing against a sunrise.
QPixmap bellPicture(int size);
