// Quillon: the publish settings dialog (format and JPEG quality).
#include "frmPublish.h"

#include "Form4.h"
#include "Guard.h"
#include "MessageBox.h"
#include "QualityText.h"

namespace {

const QString kInitialQuality = QStringLiteral("80");

// Numeric as the engine reads the quality ("80", "-5", "150", "7.5"); empty is not.
bool isNumeric(const QString& text)
{
    return wire::qualityNumber(text).has_value();
}

} // namespace

frmPublish::frmPublish()
{
    setupUi(this);
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

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
