// Quillon: the start routine and the process-wide variables several parts share.
#include "General.h"

#include "EngineContract.h"
#include "Error.h"
#include "FsMessageBridge.h"
#include "Mediator.h"
#include "MessageBox.h"
#include "automation/AutomationObject.h"
#include "clsFileSystem.h"
#include "pipeline/ExtensionChain.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/Form3.h"
#include "ui/Form4.h"
#include "ui/frmAbout.h"
#include "ui/frmExtension.h"
#include "ui/frmMacroSelect.h"
#include "ui/frmPublish.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QVariant>

std::shared_ptr<Mediator> gMediator;
std::shared_ptr<platform::AutomationObject> gWordPerfect;
bool gExtFound = false;

void RaiseObjectNotSet()
{
    throw platform::Error(platform::err::ObjectNotSet,
                          QStringLiteral("Object variable or With block variable not set"));
}

namespace {

// The Open dialog lets through only existing files, and the single-document state converts
// only extensions the extension list takes (silently, as the Open dialog's filter shows no
// others). A document named at start-up (the desktop's "Open with" gives any WordPerfect
// document, report.wp as well as report.wpd) passed neither test: it must exist, and a name the
// list does not take is converted when the word processor reads the file as a WordPerfect
// document. A refusal is said: otherwise the user would be left wondering why nothing happened.
enum class StartDocument { Refused, Accepted, AnyName };

StartDocument CheckStartDocument(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        platform::MsgBox(QStringLiteral("Could not find the document \"%1\".").arg(path),
                         platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
        return StartDocument::Refused;
    }
    QString extension = clsFileSystem().GetFileExtension(info.fileName());
    if (IsExtensionAccepted(*BuildExtensionChain(), extension))
        return StartDocument::Accepted;
    bool document = false;
    try {
        document =
            platform::isTrue(RequireObject(gWordPerfect).Call(wire::op::FileIsDocument, {path}));
    } catch (const std::exception&) {
        // Not known to be one.
    }
    if (document)
        return StartDocument::AnyName;
    platform::MsgBox(QStringLiteral("\"%1\" was not converted: it is not a WordPerfect document.")
                         .arg(info.fileName()),
                     platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
    return StartDocument::Refused;
}

} // namespace

void Main(const QString& document)
{
    InstallFsMessageBridge();

    gMediator = std::make_shared<Mediator>();
    frmExtension::instance();
    // Shows "Could not find WordPerfect" and ends the program when the word processor is
    // missing; the document list is empty (and the main window loaded) when it returns.
    gMediator->init();

    Form2* main = Form2::instance();
    main->show();

    const QString path =
        document.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(document).absoluteFilePath());
    const StartDocument start = path.isEmpty() ? StartDocument::Refused : CheckStartDocument(path);
    if (start != StartDocument::Refused) {
        gMediator->SingleSourceFile(path, start == StartDocument::AnyName);
    } else {
        // Modal over the main window, which owns it.
        Form3* quickStart = Form3::instance();
        quickStart->setParent(main, quickStart->windowFlags());
        quickStart->exec();
    }

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
