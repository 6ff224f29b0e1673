// Quillon: the batch dialog.
#include "Form1.h"

#include "Guard.h"
#include "core/Command.h"
#include "core/General.h"
#include "core/Mediator.h"
#include "core/cmd1.h"

#include <QCloseEvent>

#include <utility>

Form1::Form1()
{
    setupUi(this);
    // The boxes only show the chosen folders (what counts is what Select... chose); a long path
    // is cut off in its box, and the box's tooltip always shows the whole of it.
    for (QLineEdit* box : {txtSrcFolder, txtTgtFolder})
        connect(box, &QLineEdit::textChanged, box, &QLineEdit::setToolTip);

    const auto guarded = [this](void (Form1::*handler)()) {
        return [this, handler] { platform::Guarded([this, handler] { (this->*handler)(); }); };
    };
    connect(btnSource, &QPushButton::clicked, this, guarded(&Form1::btnSource_Click));
    connect(btnTarget, &QPushButton::clicked, this, guarded(&Form1::btnTarget_Click));
    connect(Command1, &QPushButton::clicked, this, guarded(&Form1::Command1_Click));
    connect(Command2, &QPushButton::clicked, this, guarded(&Form1::Command2_Click));
}

Form1::~Form1() = default;

void Form1::Form_Load() {}

int Form1::exec()
{
    m_modal = true;
    const int result = QDialog::exec();
    m_modal = false;
    if (std::exchange(m_startPending, false)) {
        QMetaObject::invokeMethod(
            this, [this] { platform::Guarded([this] { startBatch(); }); }, Qt::QueuedConnection);
    }
    return result;
}

void Form1::closeEvent(QCloseEvent* event)
{
    // The close box unloads the dialog: the next showing starts empty.
    event->accept();
    Form1::Unload();
}

void Form1::btnSource_Click()
{
    RequireObject(gMediator).SourceFolder();
}

void Form1::btnTarget_Click()
{
    RequireObject(gMediator).TargetFolder();
}

void Form1::Command1_Click()
{
    hide();
    if (m_modal)
        m_startPending = true; // exec() returns first, then the batch starts
    else
        startBatch();
}

void Form1::startBatch()
{
    Mediator& mediator = RequireObject(gMediator);
    mediator.StartStateTwo();
    m_lastStart = std::make_shared<cmd1>();
    m_lastStart->init(gMediator);
    static_cast<Command&>(*m_lastStart).Execute();
}

void Form1::Command2_Click()
{
    hide();
}
