// Quillon: the single-document converter.
#include "DecObj2.h"

#include "CommonDialog.h"
#include "EngineContract.h"
#include "FailedRow.h"
#include "ListView.h"
#include "Yield.h"
#include "automation/AutomationObject.h"
#include "clsFileSystem.h"
#include "core/Cmd2.h"
#include "core/General.h"
#include "core/Mediator.h"
#include "core/PathJoin.h"
#include "ui/Form2.h"
#include "ui/frmPublish.h"

#include <QLineEdit>
#include <QRadioButton>

using platform::DoEvents;

void DecObj2::init(QString& path)
{
    m_fileName = path;
}

void DecObj2::Execute()
{
    platform::ListView* list = Form2::instance()->ListView1;
    list->AddItem(m_fileName, m_fileName);
    list->SetSubItem(m_fileName, 1, QStringLiteral("Converting..."));
    try {
        convert();
    } catch (const std::exception& error) {
        ShowFailed(*list, m_fileName, error);
    }
}

void DecObj2::convert()
{
    Form2* main = Form2::instance();
    frmPublish* publish = frmPublish::instance();
    const bool xml = publish->radxml->isChecked();

    QString baseName = m_fileName;
    baseName = clsFileSystem().GetFileBaseName(baseName, false);
    const QString folder = TargetFolderFor(RequireObject(gMediator).GetTgtFolder(), m_fileName);
    QString target =
        JoinPath(folder, baseName + (xml ? QStringLiteral(".xml") : QStringLiteral(".htm")));

    RequireObject(gWordPerfect).Call(wire::op::FileOpen, {m_fileName});

    platform::CommonDialog* dialog = main->CommonDialog1;
    dialog->FileName = target;
    dialog->Filter = xml ? QStringLiteral("*.xml") : QStringLiteral("*.htm");
    dialog->Flags = platform::CommonDialog::cdlOFNFileMustExist;
    dialog->CancelError = true;
    dialog->ShowSave();
    if (dialog->FileName.isEmpty())
        return;
    target = dialog->FileName;

    DoEvents(2);
    if (xml) {
        gWordPerfect->Call(wire::op::XMLPublishSetJPEGOptions, {publish->txtQuality->text()});
        DoEvents(3);
        gWordPerfect->Call(wire::op::XMLPublish, {target});
        gWordPerfect->Call(wire::op::CloseNoSave);
    } else {
        gWordPerfect->Call(wire::op::HTMLPublish, {target});
        DoEvents(3);
        gWordPerfect->Call(wire::op::CloseNoSave);
        DoEvents(3);
    }

    main->show();
    main->ListView1->SetSubItem(m_fileName, 1, QStringLiteral("Converted!"));

    DoEvents(1);
    const auto next = std::make_shared<Cmd2>();
    next->init(gMediator);
    static_cast<Command&>(*next).Execute();
    DoEvents(3);
}
