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
#include <QHeaderView>
#include <QLineEdit>
#include <QStyle>

#include <algorithm>

Form2::Form2()
{
    setupUi(this);
    setWindowTitle(platform::appTitle());
    ListView1->setHeaderLabels({QStringLiteral("File Name:"), QStringLiteral("Status:")});
    CommonDialog1 = new platform::CommonDialog(this);
    CommonDialog1->setObjectName(QStringLiteral("CommonDialog1"));
    FileList = new platform::FileListControl;

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
