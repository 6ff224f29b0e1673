// Quillon: the main window with the document list.
#pragma once

#include "SingleInstance.h"
#include "ui_Form2.h"

#include <QMainWindow>

namespace platform {
class CommonDialog;
class FileListControl;
} // namespace platform

// The application's one top-level window. Every conversion reports its progress in ListView1;
// the menu bar opens a document, starts a batch, empties the list, reaches the settings
// dialogs and the About box, and ends the program. Closing the window ends the program.
// Its controls and menus (Form2.ui) are members by their own names.
class Form2 final : public QMainWindow, public Ui::Form2, public platform::SingleInstance<Form2> {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form2)

public:
    Form2();
    ~Form2() override;
    void Form_Load();

    platform::CommonDialog* CommonDialog1 = nullptr;
    // Hidden file list: owned here, never shown.
    platform::FileListControl* FileList = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void mnuOpen_Click();
    void mnuBatch_Click();
    void mnuClose_Click();
    void mnuExit_Click();
    void mnOptions_Click();
    void mnuMacroRun_Click();
    void mnuInfo_Click();
    void btnExit_Click();
};
