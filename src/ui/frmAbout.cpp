// Quillon: the About box.
#include "frmAbout.h"

#include "platform/AppIdentity.h"
#include "platform/Guard.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmAbout::frmAbout()
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));
    lblTitle = new QLabel(QStringLiteral("Application Title"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblVersion = new QLabel(QStringLiteral("Version"), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblDescription = new QLabel(QStringLiteral("Converts WordPerfect documents to XML HTML"), this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    Label6 = new QLabel(QString(), this);
    Label6->setObjectName(QStringLiteral("Label6"));
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblTitle);
    layout->addWidget(lblVersion);
    layout->addWidget(lblDescription);
    layout->addWidget(Label6);
    layout->addWidget(cmdOK);

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
}

void frmAbout::Form_Load()
{
    platform::Guarded([this] {
        setWindowTitle(QStringLiteral("About ") + platform::appTitle());
        lblVersion->setText(QStringLiteral("Version %1.%2.%3")
                                .arg(platform::versionMajor())
                                .arg(platform::versionMinor())
                                .arg(platform::versionRevision()));
        lblTitle->setText(platform::appTitle());
    });
}

void frmAbout::cmdOK_Click()
{
    platform::Guarded([] { Unload(); });
}

void frmAbout::lblTitle_Click()
{
    platform::Guarded([] {});
}
