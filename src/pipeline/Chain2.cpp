// Quillon: a pass-through link of the extension chain.
#include "Chain2.h"

bool Chain2::Chain_sendToChain(QString& extension)
{
    extension = extension.toLower();
    passOn(extension);
    return false;
}
