// Quillon: the batch converter.
#include "DecObj.h"

#include "EngineContract.h"
#include "FailedRow.h"
#include "ListView.h"
#include "OutputNames.h"
#include "Yield.h"
#include "automation/AutomationObject.h"
#include "clsFileSystem.h"
#include "clsRunMacro.h"
#include "core/Cmd2.h"
#include "core/General.h"
#include "core/Mediator.h"
#include "core/PathJoin.h"
#include "ui/Form2.h"
#include "ui/frmPublish.h"

#include <QLineEdit>
#include <QRadioButton>

using platform::DoEvents;

void DecObj::init(QString& path)
{
    m_fileName = path;
}

void DecObj::Execute()
{
    platform::ListView* list = Form2::instance()->ListView1;
    list->AddItem(m_fileName, m_fileName);
    try {
        convert();
    } catch (const std::exception& error) {
        ShowFailed(*list, m_fileName, error);
        throw;
    }
    next();
}

void DecObj::convert()
{
    Form2* main = Form2::instance();
    main->ListView1->SetSubItem(m_fileName, 1, QStringLiteral("Converting..."));
    DoEvents(1);

    QString baseName = m_fileName;
    baseName = clsFileSystem().GetFileBaseName(baseName, false);
    frmPublish* publish = frmPublish::instance();
    const bool xml = publish->radxml->isChecked();

    // Without a stored target folder the output goes beside the document.
    const QString folder = TargetFolderFor(RequireObject(gMediator).GetTgtFolder(), m_fileName);
    QString target =
        JoinPath(folder, baseName + (xml ? QStringLiteral(".xml") : QStringLiteral(".html")));
    if (m_outputNames)
        target = m_outputNames->claim(target, m_fileName);

    RequireObject(gWordPerfect).Call(wire::op::FileOpen, {m_fileName});
    DoEvents(4);

    // A macro that fails leaves the document to be converted; the row says why in its tooltip.
    const QString macroFailure = clsRunMacro().RunMacro();

    platform::Sleep(4);
    DoEvents(7);
    gWordPerfect->Call(wire::op::XMLPublishSetJPEGOptions, {publish->txtQuality->text()});
    if (xml) {
        DoEvents(3);
        gWordPerfect->Call(wire::op::XMLPublish, {target});
        DoEvents(4);
    } else {
        DoEvents(6);
        gWordPerfect->Call(wire::op::MasterDocExpand);
        gWordPerfect->Call(wire::op::HTMLPublish, {target});
        DoEvents(3);
    }

    gWordPerfect->Call(wire::op::CloseNoSave);
    DoEvents(4);
    main->ListView1->SetSubItem(m_fileName, 1, QStringLiteral("Converted"));
    if (!macroFailure.isEmpty())
        main->ListView1->SetDescription(m_fileName, macroFailure);
    main->show();
}

void DecObj::next()
{
    DoEvents(3);
    const auto next = std::make_shared<Cmd2>();
    next->init(gMediator);
    static_cast<Command&>(*next).Execute();
    DoEvents(3);
}
