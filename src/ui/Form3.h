// Quillon: the Quick Start dialog shown at start-up.
#pragma once

#include "SingleInstance.h"

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

// Greets the user over the main window and leads to single-document or batch conversion.
// Its buttons hide it (never unload it); the link opens the maker's web page in the browser.
class Form3 final : public QDialog, public platform::SingleInstance<Form3> {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form3)

public:
    Form3();
    void Form_Load();

    // The maker's web page, shown by Label3 and handed to the browser.
    static QString webPageAddress();

    QFrame* Frame1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* btnSingle = nullptr;
    QPushButton* btnBatch = nullptr;
    QPushButton* btnCancel = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Picture2 = nullptr;
    QLabel* Picture3 = nullptr;

    void btnSingle_Click();
    void btnBatch_Click();
    void btnCancel_Click();
    void Label3_Click();

protected:
    // Label3 is a link: a click on it opens the web page.
    bool eventFilter(QObject* watched, QEvent* event) override;
};
