// Quillon: the Quick Start dialog shown at start-up.
#include "Form3.h"

#include "Form1.h"
#include "core/General.h"
#include "core/Mediator.h"
#include "platform/BrowserLauncher.h"
#include "platform/Guard.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

Form3::Form3()
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Quick Start"));

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Label2 = new QLabel(QStringLiteral("DuraRudizav Ezedoviro ZUR EDEV"), Frame1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label1 = new QLabel(QStringLiteral("Select one..."), Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    btnSingle = new QPushButton(QStringLiteral("Open Document"), Frame1);
    btnSingle->setObjectName(QStringLiteral("btnSingle"));
    btnBatch = new QPushButton(QStringLiteral("BatchDocuments"), Frame1);
    btnBatch->setObjectName(QStringLiteral("btnBatch"));
    btnCancel = new QPushButton(QStringLiteral("Cancel"), Frame1);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    Label6 = new QLabel(QString(), Frame1);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label7 = new QLabel(QString(), Frame1);
    Label7->setObjectName(QStringLiteral("Label7"));
    Label3 = new QLabel(webPageAddress(), Frame1);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label5 = new QLabel(QStringLiteral("Convert WordPerfect Documents to XML or HTML "), Frame1);
    Label5->setObjectName(QStringLiteral("Label5"));
    Picture2 = new QLabel(Frame1);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture3 = new QLabel(Frame1);
    Picture3->setObjectName(QStringLiteral("Picture3"));

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(Frame1);
    auto* grid = new QGridLayout(Frame1);
    grid->addWidget(Label2, 0, 0, 1, 2);
    grid->addWidget(Label6, 1, 0);
    grid->addWidget(Label7, 2, 0);
    grid->addWidget(Label3, 3, 0);
    grid->addWidget(Label1, 1, 1);
    grid->addWidget(btnSingle, 2, 1);
    grid->addWidget(btnBatch, 3, 1);
    grid->addWidget(btnCancel, 4, 1);
    grid->addWidget(Label5, 5, 0, 1, 2);

    connect(btnSingle, &QPushButton::clicked, this, [this] { btnSingle_Click(); });
    connect(btnBatch, &QPushButton::clicked, this, [this] { btnBatch_Click(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancel_Click(); });
}

void Form3::Form_Load() {}

QString Form3::webPageAddress()
{
    return QStringLiteral("https://quillon.example.org/");
}

void Form3::btnSingle_Click()
{
    platform::Guarded([this] { hide(); });
}

void Form3::btnBatch_Click()
{
    platform::Guarded([this] { hide(); });
}

void Form3::btnCancel_Click()
{
    platform::Guarded([this] { hide(); });
}

void Form3::Label3_Click()
{
    platform::Guarded([] {});
}
