// Quillon: the one coordinator through which every window works.
#include "Mediator.h"

#include <QScopeGuard>

#include "Cmd2.h"
#include "CommonDialog.h"
#include "EngineContract.h"
#include "FileListControl.h"
#include "FolderBrowser.h"
#include "General.h"
#include "ListView.h"
#include "MessageBox.h"
#include "PathJoin.h"
#include "ProgramExit.h"
#include "Source.h"
#include "StateManager.h"
#include "automation/AutomationObject.h"
#include "clsFileSystem.h"
#include "cmd1.h"
#include "pipeline/ExtensionChain.h"
#include "ui/Form1.h"
#include "ui/Form2.h"

#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {

// Shows the main window's common dialog as an Open dialog that must find an existing file and
// raises an error when cancelled. Returns the chosen file name.
QString showOpenDialog(const QString& filter)
{
    platform::CommonDialog* dialog = Form2::instance()->CommonDialog1;
    dialog->CancelError = true;
    dialog->Filter = filter;
    dialog->Flags = platform::CommonDialog::cdlOFNFileMustExist;
    dialog->ShowOpen();
    return dialog->FileName;
}

} // namespace

Mediator::Mediator() = default;
Mediator::~Mediator() = default;

bool Mediator::CreateWordPerfect()
{
    try {
        gWordPerfect = platform::CreateObject(wire::kProgId);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void Mediator::init()
{
    if (!CreateWordPerfect()) {
        platform::MsgBox(QStringLiteral("Could not find WordPerfect"), platform::MsgButtons::OK,
                         platform::MsgIcon::Exclamation, QStringLiteral("Error!"));
        platform::EndProgram();
    }
    // The platform's temporary folder, ending with its separator.
    const QString tempFolder = JoinPath(QDir::tempPath(), QString());
    m_stateManager = std::make_unique<StateManager>();
    m_stateManager->init(shared_from_this());
    m_source = std::make_unique<Source>();
    SetTempFolder(tempFolder);
    StartStateThree();
}

void Mediator::startStateOne()
{
    RequireObject(m_stateManager).setStateOne();
    Form2::instance()->Next->setVisible(false);
}

void Mediator::StartStateTwo()
{
    RequireObject(m_stateManager).SetStateTwo();
}

void Mediator::StartStateThree()
{
    Form2::instance()->ListView1->Clear();
}

void Mediator::registerCmd1(std::shared_ptr<cmd1> command)
{
    m_command1 = std::move(command);
}

void Mediator::registerCmd2(std::shared_ptr<Cmd2> command)
{
    m_command2 = std::move(command);
}

void Mediator::Command1(QString& text)
{
    RequireObject(m_stateManager).Command1(text);
}

void Mediator::Command2(QString& text)
{
    RequireObject(m_stateManager).Command2(text);
}

void Mediator::Command3()
{
    RequireObject(m_stateManager).Command3();
}

void Mediator::SetSourceFolder(const QString& folder)
{
    RequireObject(m_source).SetSourceFolder(folder);
}

QString Mediator::GetSourceFolder() const
{
    return RequireObject(m_source).GetSourceFolder();
}

void Mediator::SetTgtFolder(const QString& folder)
{
    RequireObject(m_source).TgtFolder = folder;
}

QString Mediator::GetTgtFolder() const
{
    return RequireObject(m_source).GetTgtFolder();
}

void Mediator::SetSourceFile(const QString& file)
{
    RequireObject(m_source).SetSourceFile(file);
}

QString Mediator::GetSourceFile() const
{
    return RequireObject(m_source).GetSourceFile();
}

void Mediator::SetTgtFile(const QString& file)
{
    RequireObject(m_source).TgtFile = file;
}

QString Mediator::GetTgtFile() const
{
    return RequireObject(m_source).GetTgtFile();
}

void Mediator::SetTempFolder(const QString& folder)
{
    m_tempFolder = folder;
}

QString Mediator::GetTempFolder() const
{
    return m_tempFolder;
}

QString Mediator::MacroSet()
{
    startStateOne();
    QString result;
    try {
        const QString chosen =
            showOpenDialog(QStringLiteral("All WordPerfect Macros(*.wcm)|*.WCM"));
        if (!chosen.isEmpty())
            result = chosen;
    } catch (const std::exception&) {
        // Cancelled or failed: no macro chosen.
        result.clear();
    }
    return result;
}

void Mediator::SingleSourceFile()
{
    startStateOne();
    QString chosen;
    try {
        chosen = showOpenDialog(QStringLiteral("All WordPerfect documents (*.wpd)|*.WPD"));
    } catch (const std::exception&) {
        return; // cancelled: nothing chosen
    }
    if (!chosen.isEmpty())
        SingleSourceFile(chosen);
}

void Mediator::SingleSourceFile(const QString& document, bool anyName)
{
    m_anyName = anyName ? document : QString();
    const auto forget = qScopeGuard([this] { m_anyName.clear(); });
    try {
        SetSourceFile(document);
        // The converted file is proposed beside the document.
        SetTgtFolder(clsFileSystem().GetPath(document));
        startStateOne();
        auto command = std::make_shared<cmd1>();
        command->init(shared_from_this());
        static_cast<Command&>(*command).Execute();
    } catch (const std::exception&) {
        // Failed after the choice: what was done so far stays done.
    }
}

void Mediator::SourceFolder()
{
    const QString folder = BrowseForFolder(QStringLiteral("Select a Source Folder"));
    if (folder.isEmpty())
        return;

    Form1* batch = Form1::instance();
    batch->List1->clear();
    batch->txtSrcFolder->setText(folder);
    SetSourceFolder(folder);

    platform::FileListControl* files = Form2::instance()->FileList;
    files->setPath(folder);
    const int count = files->ListCount();
    clsFileSystem fs;
    for (int i = 0; i < count; ++i) {
        try {
            const std::shared_ptr<Chain> chain = BuildExtensionChain();
            files->setListIndex(i);
            const QString fullPath = JoinPath(files->Path(), files->FileName());
            QString extension = fs.GetFileExtension(fullPath);
            if (IsExtensionAccepted(*chain, extension))
                batch->List1->addItem(fs.GetFileName(fullPath));
        } catch (const std::exception&) {
            // This file cannot be examined: skip it and go on with the next.
        }
    }
}

void Mediator::TargetFolder()
{
    const QString folder = BrowseForFolder(QStringLiteral("Select a Target Folder"));
    Form1::instance()->txtTgtFolder->setText(folder);
    SetTgtFolder(folder);
}

QString Mediator::BrowseForFolder(const QString& title)
{
    return platform::BrowseForFolder(title);
}
