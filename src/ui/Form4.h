// Quillon: tells the user where the HTML settings are made.
#pragma once

#include "SingleInstance.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;

// Tells the user where the HTML settings are made: the word processor's own settings, which
// here are the engine's settings file, named with its full path; Open Folder shows its folder.
class Form4 final : public QDialog, public platform::SingleInstance<Form4> {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form4)

public:
    Form4();
    void Form_Load();

    QGroupBox* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblSettingsFile = nullptr;
    QPushButton* btnOpenFolder = nullptr;
    QPushButton* Command1 = nullptr;

private:
    void btnOpenFolder_Click();
};
