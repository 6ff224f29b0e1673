// Quillon: the hidden window that holds the extension list.
#include "frmExtension.h"

frmExtension::frmExtension()
{
    setupUi(this);
}

void frmExtension::Form_Load()
{
    LstExt->addItem(QStringLiteral("wpd"));
}
