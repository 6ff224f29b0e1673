// Quillon: tells the user where the HTML settings are made.
#pragma once

#include "SingleInstance.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;

class Form4 final : public QDialog, public platform::SingleInstance<Form4> {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form4)

public:
    Form4();
    void Form_Load();

    QGroupBox* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* Command1 = nullptr;
};
