// Quillon: the About box.
#pragma once

#include "SingleInstance.h"
#include "ui_frmAbout.h"

#include <QDialog>

// The About box; its controls (frmAbout.ui) are members by their own names.
class frmAbout final : public QDialog,
                       public Ui::frmAbout,
                       public platform::SingleInstance<frmAbout> {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAbout)

public:
    frmAbout();
    void Form_Load();

    void cmdOK_Click();
    void lblTitle_Click();

    // The close box and Escape unload the dialog, like OK.
    void reject() override;

protected:
    // A click on lblTitle shows the credit message.
    bool eventFilter(QObject* watched, QEvent* event) override;
};
