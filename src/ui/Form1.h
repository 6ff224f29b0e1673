// Quillon: the batch dialog.
#pragma once

#include "SingleInstance.h"
#include "ui_Form1.h"

#include <QDialog>
#include <memory>

class cmd1;

// Sets up a batch: the source folder, the target folder, a preview of the documents found,
// and Start. It only forwards clicks to the coordinator, which fills its boxes and list.
// Start and Cancel hide it (its contents stay); its close box unloads it.
//
// Start hides the dialog and starts the batch. When the dialog was shown modally, the batch
// starts from the event loop once exec() has returned, never inside it: a batch yields to the
// window system, and File > Batch must be able to show this dialog modally again meanwhile
// (a second Start then takes over from the running batch). Its controls (Form1.ui) are members
// by their own names.
class Form1 final : public QDialog, public Ui::Form1, public platform::SingleInstance<Form1> {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form1)

public:
    Form1();
    ~Form1() override;
    void Form_Load();
    int exec() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void btnSource_Click();
    void btnTarget_Click();
    void Command1_Click();
    void Command2_Click();
    void startBatch();

    std::shared_ptr<cmd1> m_lastStart;
    bool m_modal = false;
    bool m_startPending = false;
};
