// Quillon: the accepting link of the extension chain.
#include "Chain1.h"

#include "core/General.h"
#include "ui/frmExtension.h"

#include <QListWidget>

bool Chain1::Chain_sendToChain(QString& extension)
{
    extension = extension.toLower();
    const QListWidget* list = frmExtension::instance()->LstExt;
    // Every entry is visited; a match does not end the scan.
    const int n = list->count();
    for (int i = 0; i < n; ++i) {
        if (list->item(i)->text().toLower() == extension)
            gExtFound = true;
    }
    if (!gExtFound)
        passOn(extension);
    return false;
}
