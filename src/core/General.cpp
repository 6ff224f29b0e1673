// Quillon: the start routine and the process-wide variables several parts share.
#include "General.h"

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
#include <QListWidget>

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
// others). A document named at start-up passed neither test, so it is checked here, and a
// refusal is said: otherwise the user would be left wondering why nothing happened.
bool CanConvertAtStart(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        platform::MsgBox(QStringLiteral("Could not find the document \"%1\".").arg(path),
                         platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
        return false;
    }
    QString extension = clsFileSystem().GetFileExtension(info.fileName());
    if (IsExtensionAccepted(*BuildExtensionChain(), extension))
        return true;
    QStringList accepted;
    const QListWidget* list = frmExtension::instance()->LstExt;
    for (int row = 0; row < list->count(); ++row)
        accepted << QLatin1Char('.') + list->item(row)->text();
    platform::MsgBox(QStringLiteral("\"%1\" was not converted: only documents whose names end "
                                    "in %2 are converted.")
                         .arg(info.fileName(), accepted.join(QStringLiteral(", "))),
                     platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
    return false;
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
    if (!path.isEmpty() && CanConvertAtStart(path)) {
        gMediator->SingleSourceFile(path);
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
