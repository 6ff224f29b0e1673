// Quillon: the hidden window that holds the extension list.
#pragma once

#include "SingleInstance.h"
#include "ui_frmExtension.h"

#include <QWidget>

// Holds LstExt, the extensions whose documents are converted (initially the one entry "wpd").
// Loaded hidden at start-up and never shown.
class frmExtension final : public QWidget,
                           public Ui::frmExtension,
                           public platform::SingleInstance<frmExtension> {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmExtension)

public:
    frmExtension();
    void Form_Load();
};
