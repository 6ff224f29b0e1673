// Quillon: the start routine and the process-wide variables several parts share.
#include "General.h"

#include "Error.h"
#include "FsMessageBridge.h"
#include "Mediator.h"
#include "automation/AutomationObject.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/Form3.h"
#include "ui/Form4.h"
#include "ui/frmAbout.h"
#include "ui/frmExtension.h"
#include "ui/frmMacroSelect.h"
#include "ui/frmPublish.h"

#include <QCoreApplication>
#include <QEvent>

std::shared_ptr<Mediator> gMediator;
std::shared_ptr<platform::AutomationObject> gWordPerfect;
bool gExtFound = false;

void RaiseObjectNotSet()
{
    throw platform::Error(platform::err::ObjectNotSet,
                          QStringLiteral("Object variable or With block variable not set"));
}

void Main()
{
    InstallFsMessageBridge();

    gMediator = std::make_shared<Mediator>();
    frmExtension::instance();
    // Shows "Could not find WordPerfect" and ends the program when the word processor is
    // missing; the document list is empty (and the main window loaded) when it returns.
    gMediator->init();

    Form2* main = Form2::instance();
    main->show();

    // Modal over the main window, which owns it.
    Form3* quickStart = Form3::instance();
    quickStart->setParent(main, quickStart->windowFlags());
    quickStart->exec();

    frmExtension::instance();
}

void ResetGeneral()
{
    gMediator.reset();
    gWordPerfect.reset();
    gExtFound = false;

    Form1::Unload();
    Form3::Unload();
    Form4::Unload();
    frmPublish::Unload();
    frmMacroSelect::Unload();
    frmAbout::Unload();
    frmExtension::Unload();
    Form2::Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
