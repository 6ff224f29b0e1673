// Quillon: choosing the macro played on every document of a batch.
#include "frmMacroSelect.h"

#include "core/General.h"
#include "core/Mediator.h"
#include "fs/clsFileSystem.h"
#include "platform/AppIdentity.h"
#include "platform/Guard.h"
#include "platform/MessageBox.h"
#include "platform/SettingsStore.h"

#include <QFileInfo>

namespace {

void storeMacro(const QString& path)
{
    platform::SaveSetting(platform::appName(), QStringLiteral("Options"), QStringLiteral("macro"),
                          path);
}

} // namespace

frmMacroSelect::frmMacroSelect()
{
    setupUi(this);
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    connect(btnSelect, &QPushButton::clicked, this, [this] { btnSelect_Click(); });
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOK_Click(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancel_Click(); });
}

void frmMacroSelect::Form_Load() {}

void frmMacroSelect::btnSelect_Click()
{
    platform::Guarded([this] {
        if (gMediator) {
            txtpathfile->setText(gMediator->MacroSet());
        }
    });
}

void frmMacroSelect::btnOK_Click()
{
    platform::Guarded([this] {
        const QString path = txtpathfile->text();
        clsFileSystem fileSystem;
        if (!fileSystem.FileExist(path)) {
            // Nothing there (an empty box included) means: no macro.
            storeMacro(QString());
            hide();
            return;
        }
        // A folder exists too, but it is no macro whatever its name.
        const bool isMacro = !QFileInfo(path).isDir() &&
                             fileSystem.GetFileExtension(path).toLower() == QLatin1String("wcm");
        if (!isMacro) {
            platform::MsgBox(QStringLiteral("Not a valid Macro. Please select a WordPerfect macro"),
                             platform::MsgButtons::OK, platform::MsgIcon::None,
                             platform::appTitle());
            txtpathfile->clear();
            return;
        }
        storeMacro(path);
        hide();
    });
}

void frmMacroSelect::btnCancel_Click()
{
    platform::Guarded([this] {
        txtpathfile->clear();
        hide();
    });
}

void frmMacroSelect::reject()
{
    btnCancel_Click();
}
