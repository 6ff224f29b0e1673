// Quillon: the About box.
#pragma once

#include "SingleInstance.h"

#include <QDialog>

class QLabel;
class QPushButton;

class frmAbout final : public QDialog, public platform::SingleInstance<frmAbout> {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAbout)

public:
    frmAbout();
    void Form_Load();

    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    QLabel* Label6 = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;

    void cmdOK_Click();
    void lblTitle_Click();

    // The close box and Escape unload the dialog, like OK.
    void reject() override;

protected:
    // A click on lblTitle shows the credit message.
    bool eventFilter(QObject* watched, QEvent* event) override;
};
