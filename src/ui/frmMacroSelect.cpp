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
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QPushButton* makeButton(const QString& name, const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setMinimumWidth(88);
    return button;
}

void storeMacro(const QString& path)
{
    platform::SaveSetting(platform::appName(), QStringLiteral("Options"), QStringLiteral("macro"),
                          path);
}

} // namespace

frmMacroSelect::frmMacroSelect()
{
    setObjectName(QStringLiteral("frmMacroSelect"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QString());
    QFont arial = font();
    arial.setFamily(QStringLiteral("Arial"));
    setFont(arial);

    Label1 = new QLabel(QStringLiteral("Select a macro to run on each document when it is opened."),
                        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    txtpathfile = new QLineEdit(this);
    txtpathfile->setObjectName(QStringLiteral("txtpathfile"));
    txtpathfile->setMinimumWidth(340);
    btnSelect = makeButton(QStringLiteral("btnSelect"), QStringLiteral("Select"), this);
    btnSelect->setAutoDefault(false);
    btnOK = makeButton(QStringLiteral("btnOK"), QStringLiteral("OK"), this);
    btnOK->setDefault(true);
    btnCancel = makeButton(QStringLiteral("btnCancel"), QStringLiteral("Cancel"), this);
    btnCancel->setAutoDefault(false);
    Line1 = new QFrame(this);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(14, 14, 14, 12);
    grid->setVerticalSpacing(10);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->addWidget(Label1, 0, 0, 1, 2);
    grid->addWidget(txtpathfile, 1, 0);
    grid->addWidget(btnSelect, 1, 1);
    grid->addWidget(Line1, 2, 0, 1, 2);
    grid->addLayout(buttons, 3, 0, 1, 2);

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
