// Quillon: the hidden window that holds the extension list.
#include "frmExtension.h"

#include <QListWidget>
#include <QVBoxLayout>

frmExtension::frmExtension()
{
    setObjectName(QStringLiteral("frmExtension"));
    setWindowTitle(QStringLiteral("Extension manager"));
    LstExt = new QListWidget(this);
    LstExt->setObjectName(QStringLiteral("LstExt"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LstExt);
}

void frmExtension::Form_Load()
{
    LstExt->addItem(QStringLiteral("wpd"));
}
