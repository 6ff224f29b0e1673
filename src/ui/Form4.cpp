// Quillon: tells the user where the HTML settings are made.
#include "Form4.h"

#include "BrowserLauncher.h"
#include "EngineSettings.h"
#include "Guard.h"
#include "MessageBox.h"

#include <QDir>
#include <QFileInfo>

Form4::Form4()
{
    setupUi(this);
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    lblSettingsFile->setText(QStringLiteral("Quillon keeps these settings in %1")
                                 .arg(QDir::toNativeSeparators(wire::htmlSettingsPath())));

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
