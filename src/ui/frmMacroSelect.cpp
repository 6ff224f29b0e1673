// Quillon: choosing the macro played on every document of a batch.
#include "frmMacroSelect.h"

#include "platform/Guard.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

frmMacroSelect::frmMacroSelect()
{
    setObjectName(QStringLiteral("frmMacroSelect"));
    setWindowTitle(QString());
    Label1 = new QLabel(QStringLiteral("Select a macro to run on each document when it is opened."),
                        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    txtpathfile = new QLineEdit(this);
    txtpathfile->setObjectName(QStringLiteral("txtpathfile"));
    btnSelect = new QPushButton(QStringLiteral("Select"), this);
    btnSelect->setObjectName(QStringLiteral("btnSelect"));
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    Line1 = new QFrame(this);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0, 1, 3);
    grid->addWidget(txtpathfile, 1, 0, 1, 2);
    grid->addWidget(btnSelect, 1, 2);
    grid->addWidget(Line1, 2, 0, 1, 3);
    grid->addWidget(btnOK, 3, 1);
    grid->addWidget(btnCancel, 3, 2);

    connect(btnSelect, &QPushButton::clicked, this, [this] { btnSelect_Click(); });
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOK_Click(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancel_Click(); });
}

void frmMacroSelect::Form_Load() {}

void frmMacroSelect::btnSelect_Click()
{
    platform::Guarded([] {});
}

void frmMacroSelect::btnOK_Click()
{
    platform::Guarded([this] { hide(); });
}

void frmMacroSelect::btnCancel_Click()
{
    platform::Guarded([this] {
        txtpathfile->clear();
        hide();
    });
}
