// Quillon: the publish settings dialog (format and JPEG quality).
#include "frmPublish.h"

#include "Form4.h"
#include "Guard.h"
#include "MessageBox.h"
#include "QualityText.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const QString kInitialQuality = QStringLiteral("80");

// Numeric as the engine reads the quality ("80", "-5", "150", "7.5"); empty is not.
bool isNumeric(const QString& text)
{
    return wire::qualityNumber(text).has_value();
}

template <class T> T* named(T* object, const char* name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}

} // namespace

frmPublish::frmPublish()
{
    setObjectName(QStringLiteral("frmPublish"));
    setWindowTitle(QStringLiteral("Publish to Web Settings"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    Label1 = named(new QLabel(QStringLiteral("Select:"), this), "Label1");
    radxml = named(new QRadioButton(QStringLiteral("XML"), this), "radxml");
    radhtml = named(new QRadioButton(QStringLiteral("HTML"), this), "radhtml");
    frameXML = named(new QGroupBox(QStringLiteral("XML Quality Output Options"), this), "frameXML");
    Label4 = named(new QLabel(QStringLiteral("JPEG Quality:"), frameXML), "Label4");
    txtQuality = named(new QLineEdit(frameXML), "txtQuality");
    txtQuality->setMaximumWidth(60);
    Label5 = named(new QLabel(QStringLiteral("(Quality: 100 - highest,  Lowest- 0)"), frameXML),
                   "Label5");
    btnSettings = named(new QPushButton(QStringLiteral("Settings..."), this), "btnSettings");
    btnPublish = named(new QPushButton(QStringLiteral("OK"), this), "btnPublish");
    Command3 = named(new QPushButton(QStringLiteral("Cancel"), this), "Command3");
    btnPublish->setDefault(true);

    auto* formats = new QHBoxLayout;
    formats->addWidget(Label1);
    formats->addWidget(radxml);
    formats->addWidget(radhtml);
    formats->addStretch();
    formats->addWidget(btnSettings);

    auto* quality = new QGridLayout(frameXML);
    quality->addWidget(Label4, 0, 0);
    quality->addWidget(txtQuality, 0, 1);
    quality->addWidget(Label5, 1, 0, 1, 3);
    quality->setColumnStretch(2, 1);
    quality->setContentsMargins(12, 10, 12, 10);
    quality->setVerticalSpacing(8);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnPublish);
    buttons->addWidget(Command3);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(10);
    layout->addLayout(formats);
    layout->addWidget(frameXML);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    const auto guarded = [this](void (frmPublish::*handler)()) {
        return [this, handler] { platform::Guarded([this, handler] { (this->*handler)(); }); };
    };
    connect(radxml, &QRadioButton::clicked, this, guarded(&frmPublish::radxml_Click));
    connect(radhtml, &QRadioButton::clicked, this, guarded(&frmPublish::radhtml_Click));
    connect(btnSettings, &QPushButton::clicked, this, guarded(&frmPublish::btnSettings_Click));
    connect(btnPublish, &QPushButton::clicked, this, guarded(&frmPublish::btnPublish_Click));
    connect(Command3, &QPushButton::clicked, this, guarded(&frmPublish::Command3_Click));
}

void frmPublish::Form_Load()
{
    radxml->setChecked(true);
    txtQuality->setText(kInitialQuality);
    m_acceptedXml = true;
    m_acceptedQuality = kInitialQuality;
    applyFormatState();
}

void frmPublish::reject()
{
    // Escape and the close box cancel, like the Cancel button.
    platform::Guarded([this] { Command3_Click(); });
}

void frmPublish::applyFormatState()
{
    const bool xml = !radhtml->isChecked();
    frameXML->setEnabled(xml);
    Label4->setEnabled(xml);
    Label5->setEnabled(xml);
    txtQuality->setEnabled(xml);
    btnSettings->setEnabled(!xml);
}

void frmPublish::radxml_Click()
{
    applyFormatState();
}

void frmPublish::radhtml_Click()
{
    applyFormatState();
}

void frmPublish::btnSettings_Click()
{
    Form4::instance()->exec();
}

void frmPublish::btnPublish_Click()
{
    if (!isNumeric(txtQuality->text())) {
        platform::MsgBox(QStringLiteral("Please enter a numeric value for Quality."));
        txtQuality->clear();
        return;
    }
    m_acceptedXml = radxml->isChecked();
    m_acceptedQuality = txtQuality->text();
    hide();
}

void frmPublish::Command3_Click()
{
    (m_acceptedXml ? radxml : radhtml)->setChecked(true);
    txtQuality->setText(m_acceptedQuality);
    applyFormatState();
    hide();
}
