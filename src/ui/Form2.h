// Quillon: the main window with the document list.
#pragma once

#include "SingleInstance.h"

#include <QMainWindow>

class QAction;
class QFrame;
class QMenu;
class QPushButton;
class QStatusBar;
namespace platform {
class CommonDialog;
class FileListControl;
class ListView;
} // namespace platform

// The application's one top-level window. Every conversion reports its progress in ListView1;
// the menu bar opens a document, starts a batch, empties the list, reaches the settings
// dialogs and the About box, and ends the program. Closing the window ends the program.
class Form2 final : public QMainWindow, public platform::SingleInstance<Form2> {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form2)

public:
    Form2();
    ~Form2() override;
    void Form_Load();

    QFrame* Frame1 = nullptr;
    platform::ListView* ListView1 = nullptr;
    QPushButton* Next = nullptr;
    QPushButton* btnExit = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    platform::CommonDialog* CommonDialog1 = nullptr;
    // Hidden file list: owned here, never shown.
    platform::FileListControl* FileList = nullptr;

    QMenu* mnuFile = nullptr;
    QAction* mnuOpen = nullptr;
    QAction* mnuBatch = nullptr;
    QAction* mnuClose = nullptr;
    QAction* mnuExit = nullptr;
    QMenu* mnuSettings = nullptr;
    QAction* mnOptions = nullptr;
    QAction* mnuMacroRun = nullptr;
    QMenu* mnuAbout = nullptr;
    QAction* mnuInfo = nullptr;

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
