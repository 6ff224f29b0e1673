// Quillon: choosing the macro played on every document of a batch.
#pragma once

#include "SingleInstance.h"
#include "ui_frmMacroSelect.h"

#include <QDialog>

// Its controls (frmMacroSelect.ui) are members by their own names.
class frmMacroSelect final : public QDialog,
                             public Ui::frmMacroSelect,
                             public platform::SingleInstance<frmMacroSelect> {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMacroSelect)

public:
    frmMacroSelect();
    void Form_Load();

    void btnSelect_Click();
    void btnOK_Click();
    void btnCancel_Click();

    // The close box and Escape act like Cancel.
    void reject() override;
};
