// Quillon: the main window with the document list.
#include "Form2.h"

#include "AppIdentity.h"
#include "CommonDialog.h"
#include "FileListControl.h"
#include "Form1.h"
#include "Guard.h"
#include "ListView.h"
#include "ProgramExit.h"
#include "SettingsStore.h"
#include "Yield.h"
#include "core/General.h"
#include "core/Mediator.h"
#include "frmAbout.h"
#include "frmMacroSelect.h"
#include "frmPublish.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace {

template <class T> T* named(T* object, const char* name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}

} // namespace

Form2::Form2()
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(platform::appTitle());

    Frame1 = named(new QFrame(this), "Frame1");
    Frame1->setFrameShape(QFrame::NoFrame);
    ListView1 = named(new platform::ListView(Frame1), "ListView1");
    ListView1->setHeaderLabels({QStringLiteral("File Name:"), QStringLiteral("Status:")});
    Next = named(new QPushButton(QStringLiteral("Next Document"), Frame1), "Next");
    Next->setVisible(false);
    btnExit = named(new QPushButton(QStringLiteral("Exit"), Frame1), "btnExit");

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Next);
    buttons->addWidget(btnExit);
    auto* frameLayout = new QVBoxLayout(Frame1);
    frameLayout->addWidget(ListView1);
    frameLayout->addLayout(buttons);
    setCentralWidget(Frame1);

    StatusBar1 = named(new QStatusBar(this), "StatusBar1");
    setStatusBar(StatusBar1);
    CommonDialog1 = named(new platform::CommonDialog(this), "CommonDialog1");
    FileList = new platform::FileListControl;

    mnuFile = named(menuBar()->addMenu(QStringLiteral("&File")), "mnuFile");
    mnuOpen = named(mnuFile->addAction(QStringLiteral("Open")), "mnuOpen");
    mnuBatch = named(mnuFile->addAction(QStringLiteral("Batch")), "mnuBatch");
    mnuClose = named(mnuFile->addAction(QStringLiteral("Close")), "mnuClose");
    mnuExit = named(mnuFile->addAction(QStringLiteral("Exit")), "mnuExit");
    mnuSettings = named(menuBar()->addMenu(QStringLiteral("Settings")), "mnuSettings");
    mnOptions = named(mnuSettings->addAction(QStringLiteral("Options")), "mnOptions");
    mnuMacroRun = named(mnuSettings->addAction(QStringLiteral("Macro To Run")), "mnuMacroRun");
    mnuAbout = named(menuBar()->addMenu(QStringLiteral("About")), "mnuAbout");
    mnuInfo = named(mnuAbout->addAction(QStringLiteral("Info")), "mnuInfo");

    const auto guarded = [this](void (Form2::*handler)()) {
        return [this, handler] { platform::Guarded([this, handler] { (this->*handler)(); }); };
    };
    connect(mnuOpen, &QAction::triggered, this, guarded(&Form2::mnuOpen_Click));
    connect(mnuBatch, &QAction::triggered, this, guarded(&Form2::mnuBatch_Click));
    connect(mnuClose, &QAction::triggered, this, guarded(&Form2::mnuClose_Click));
    connect(mnuExit, &QAction::triggered, this, guarded(&Form2::mnuExit_Click));
    connect(mnOptions, &QAction::triggered, this, guarded(&Form2::mnOptions_Click));
    connect(mnuMacroRun, &QAction::triggered, this, guarded(&Form2::mnuMacroRun_Click));
    connect(mnuInfo, &QAction::triggered, this, guarded(&Form2::mnuInfo_Click));
    connect(btnExit, &QPushButton::clicked, this, guarded(&Form2::btnExit_Click));

    resize(760, 460);
}

Form2::~Form2()
{
    delete FileList;
}

void Form2::Form_Load()
{
    ListView1->setFullRowSelect(true);
    ListView1->setSorted(true);
    ListView1->setSortDescending(true);
    // Report view: the column headers are shown, one row per document.
    ListView1->setHeaderHidden(false);
    // The path takes whatever width the window has; the status column only needs room for
    // its longest text.
    QHeaderView* header = ListView1->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->setSectionResizeMode(1, QHeaderView::Interactive);
    const int statusText =
        ListView1->fontMetrics().horizontalAdvance(QStringLiteral("Converting...")) +
        2 * (ListView1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1) + 12;
    header->resizeSection(1, std::max(statusText, header->sectionSizeHint(1)));
}

void Form2::closeEvent(QCloseEvent* event)
{
    // Closing the main window ends the run; should the exit be intercepted (tests), the window
    // stays as it was.
    event->ignore();
    platform::Guarded([] { platform::EndProgram(); });
}

void Form2::mnuOpen_Click()
{
    RequireObject(gMediator).SingleSourceFile();
}

void Form2::mnuBatch_Click()
{
    Form1::instance()->exec();
}

void Form2::mnuClose_Click()
{
    RequireObject(gMediator).StartStateThree();
}

void Form2::mnuExit_Click()
{
    platform::EndProgram();
}

void Form2::mnOptions_Click()
{
    frmPublish::instance()->exec();
}

void Form2::mnuMacroRun_Click()
{
    const QString macro = platform::GetSetting(platform::appName(), QStringLiteral("Options"),
                                               QStringLiteral("macro"), QString());
    frmMacroSelect::instance()->txtpathfile->setText(macro);
    platform::DoEvents(3);
    frmMacroSelect::instance()->exec();
}

void Form2::mnuInfo_Click()
{
    frmAbout::instance()->show();
}

void Form2::btnExit_Click()
{
    platform::EndProgram();
}
