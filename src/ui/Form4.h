// Quillon: tells the user where the HTML settings are made.
#pragma once

#include "SingleInstance.h"
#include "ui_Form4.h"

#include <QDialog>

// Tells the user where the HTML settings are made: the word processor's own settings, which
// here are the engine's settings file, named with its full path; Open Folder shows its folder.
// Its controls (Form4.ui) are members by their own names.
class Form4 final : public QDialog, public Ui::Form4, public platform::SingleInstance<Form4> {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form4)

public:
    Form4();
    void Form_Load();

private:
    void btnOpenFolder_Click();
};
