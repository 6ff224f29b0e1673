// Quillon: choosing the macro played on every document of a batch.
#pragma once

#include "SingleInstance.h"

#include <QDialog>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

class frmMacroSelect final : public QDialog, public platform::SingleInstance<frmMacroSelect> {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMacroSelect)

public:
    frmMacroSelect();
    void Form_Load();

    QLabel* Label1 = nullptr;
    QLineEdit* txtpathfile = nullptr;
    QPushButton* btnSelect = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QFrame* Line1 = nullptr;

    void btnSelect_Click();
    void btnOK_Click();
    void btnCancel_Click();

    // The close box and Escape act like Cancel.
    void reject() override;
};
