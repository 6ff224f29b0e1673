// Quillon: the batch dialog.
#include "Form1.h"

#include "Guard.h"
#include "core/Command.h"
#include "core/General.h"
#include "core/Mediator.h"
#include "core/cmd1.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace {

template <class T> T* named(T* object, const char* name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}

} // namespace

Form1::Form1()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Batch Documents"));
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor(0xE0, 0xE0, 0xE0));
    setPalette(grey);
    setAutoFillBackground(true);

    Frame1 = named(new QGroupBox(QStringLiteral("Select folders:"), this), "Frame1");
    Label2 = named(new QLabel(QStringLiteral("Source:"), Frame1), "Label2");
    txtSrcFolder = named(new QLineEdit(Frame1), "txtSrcFolder");
    btnSource = named(new QPushButton(QStringLiteral("Select..."), Frame1), "btnSource");
    Label1 = named(new QLabel(QStringLiteral("Target:"), Frame1), "Label1");
    txtTgtFolder = named(new QLineEdit(Frame1), "txtTgtFolder");
    btnTarget = named(new QPushButton(QStringLiteral("Select..."), Frame1), "btnTarget");
    // The boxes only show the chosen folders; what counts is what Select... chose.
    txtSrcFolder->setReadOnly(true);
    txtTgtFolder->setReadOnly(true);
    txtSrcFolder->setMinimumWidth(340);
    txtTgtFolder->setMinimumWidth(340);
    // A long path is cut off in the box; its tooltip always shows the whole of it.
    for (QLineEdit* box : {txtSrcFolder, txtTgtFolder})
        connect(box, &QLineEdit::textChanged, box, &QLineEdit::setToolTip);

    auto* folders = new QGridLayout(Frame1);
    folders->addWidget(Label2, 0, 0);
    folders->addWidget(txtSrcFolder, 0, 1);
    folders->addWidget(btnSource, 0, 2);
    folders->addWidget(Label1, 1, 0);
    folders->addWidget(txtTgtFolder, 1, 1);
    folders->addWidget(btnTarget, 1, 2);
    folders->setColumnStretch(1, 1);
    // The frame is as tall as its two rows; the space below it stays outside.
    Frame1->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);

    Label3 = named(new QLabel(QStringLiteral("Found Documents"), this), "Label3");
    List1 = named(new QListWidget(this), "List1");
    auto* found = new QVBoxLayout;
    found->addWidget(Label3);
    found->addWidget(List1);

    Command1 = named(new QPushButton(QStringLiteral("Start"), this), "Command1");
    Command2 = named(new QPushButton(QStringLiteral("Cancel"), this), "Command2");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);

    auto* left = new QVBoxLayout;
    left->addWidget(Frame1);
    left->addStretch();
    auto* top = new QHBoxLayout;
    top->setSpacing(12);
    top->addLayout(left, 3);
    top->addLayout(found, 2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);
    layout->addLayout(top);
    layout->addLayout(buttons);

    const auto guarded = [this](void (Form1::*handler)()) {
        return [this, handler] { platform::Guarded([this, handler] { (this->*handler)(); }); };
    };
    connect(btnSource, &QPushButton::clicked, this, guarded(&Form1::btnSource_Click));
    connect(btnTarget, &QPushButton::clicked, this, guarded(&Form1::btnTarget_Click));
    connect(Command1, &QPushButton::clicked, this, guarded(&Form1::Command1_Click));
    connect(Command2, &QPushButton::clicked, this, guarded(&Form1::Command2_Click));

    resize(760, 300);
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
