// Quillon: tells the user where the HTML settings are made.
#include "Form4.h"

#include "Guard.h"

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
    auto* frameLayout = new QVBoxLayout(Frame1);
    frameLayout->addWidget(Label1);

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Command1, &QPushButton::clicked, this,
            [] { platform::Guarded([] { Form4::Unload(); }); });
}

void Form4::Form_Load() {}
