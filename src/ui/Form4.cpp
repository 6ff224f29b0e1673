// Quillon: tells the user where the HTML settings are made.
#include "Form4.h"

#include "BrowserLauncher.h"
#include "EngineSettings.h"
#include "Guard.h"
#include "MessageBox.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

Form4::Form4()
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("HTML Settings"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    Frame1 = new QGroupBox(QStringLiteral("How to Set HTML Settings"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Label1 = new QLabel(
        QStringLiteral("To set the settings, please open WordPerfect and click on File | Publish "
                       "To | HTML... and set the desired settings. These settings will take "
                       "affect when publishing to html using Quillon Publisher."),
        Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setFixedWidth(320);
    lblSettingsFile = new QLabel(QStringLiteral("Quillon keeps these settings in %1")
                                     .arg(QDir::toNativeSeparators(wire::htmlSettingsPath())),
                                 Frame1);
    lblSettingsFile->setObjectName(QStringLiteral("lblSettingsFile"));
    lblSettingsFile->setWordWrap(true);
    lblSettingsFile->setFixedWidth(320);
    lblSettingsFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* frameLayout = new QVBoxLayout(Frame1);
    frameLayout->addWidget(Label1);
    frameLayout->addWidget(lblSettingsFile);

    btnOpenFolder = new QPushButton(QStringLiteral("Open Folder"), this);
    btnOpenFolder->setObjectName(QStringLiteral("btnOpenFolder"));
    btnOpenFolder->setAutoDefault(false);
    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnOpenFolder);
    buttons->addStretch();
    buttons->addWidget(Command1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnOpenFolder, &QPushButton::clicked, this,
            [this] { platform::Guarded([this] { btnOpenFolder_Click(); }); });
    connect(Command1, &QPushButton::clicked, this,
            [] { platform::Guarded([] { Form4::Unload(); }); });
}

void Form4::Form_Load() {}

// Shows the settings file's folder in the desktop's file manager, creating it when the user
// has no settings yet, so the file can be put there.
void Form4::btnOpenFolder_Click()
{
    const QString folder = QFileInfo(wire::htmlSettingsPath()).absolutePath();
    QDir().mkpath(folder);
    platform::ShellProvider& shell = platform::shell();
    const QString program = shell.findExecutable(folder);
    if (program.isEmpty() || !shell.execute(program, folder)) {
        platform::MsgBox(QStringLiteral("The folder %1 could not be opened.")
                             .arg(QDir::toNativeSeparators(folder)),
                         platform::MsgButtons::OK, platform::MsgIcon::Exclamation,
                         QStringLiteral("HTML Settings"));
    }
}
