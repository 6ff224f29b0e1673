// Quillon: the publish settings dialog (format and JPEG quality).
#pragma once

#include "SingleInstance.h"
#include "ui_frmPublish.h"

#include <QDialog>

// Holds the two conversion settings for the run: XML or HTML, and for XML the JPEG quality.
// The converters read radxml and txtQuality directly. OK and Cancel hide the dialog, so the
// controls keep their values; Cancel restores what OK last accepted (initially XML, "80").
// Its controls (frmPublish.ui) are members by their own names.
class frmPublish final : public QDialog,
                         public Ui::frmPublish,
                         public platform::SingleInstance<frmPublish> {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmPublish)

public:
    frmPublish();
    void Form_Load();

    void radxml_Click();
    void radhtml_Click();
    void btnSettings_Click();
    void btnPublish_Click();
    void Command3_Click();

public slots:
    void reject() override;

private:
    void applyFormatState();

    bool m_acceptedXml = true;
    QString m_acceptedQuality;
};
