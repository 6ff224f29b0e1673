// Quillon: the publish settings dialog (format and JPEG quality).
#pragma once

#include "SingleInstance.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Holds the two conversion settings for the run: XML or HTML, and for XML the JPEG quality.
// The converters read radxml and txtQuality directly. OK and Cancel hide the dialog, so the
// controls keep their values; Cancel restores what OK last accepted (initially XML, "80").
class frmPublish final : public QDialog, public platform::SingleInstance<frmPublish> {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmPublish)

public:
    frmPublish();
    void Form_Load();

    QLabel* Label1 = nullptr;
    QRadioButton* radxml = nullptr;
    QRadioButton* radhtml = nullptr;
    QGroupBox* frameXML = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* txtQuality = nullptr;
    QLabel* Label5 = nullptr;
    QPushButton* btnSettings = nullptr;
    QPushButton* btnPublish = nullptr;
    QPushButton* Command3 = nullptr;

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
