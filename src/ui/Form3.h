// Quillon: the Quick Start dialog shown at start-up.
#pragma once

#include "SingleInstance.h"
#include "ui_Form3.h"

#include <QDialog>

// Greets the user over the main window and leads to single-document or batch conversion.
// Its buttons hide it (never unload it); the link opens the maker's web page in the browser.
// Its controls (Form3.ui) are members by their own names.
class Form3 final : public QDialog, public Ui::Form3, public platform::SingleInstance<Form3> {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form3)

public:
    Form3();
    void Form_Load();

    // The maker's web page, shown by Label3 and handed to the browser.
    static QString webPageAddress();

    void btnSingle_Click();
    void btnBatch_Click();
    void btnCancel_Click();
    void Label3_Click();

protected:
    // Label3 is a link: a click on it opens the web page.
    bool eventFilter(QObject* watched, QEvent* event) override;
};
