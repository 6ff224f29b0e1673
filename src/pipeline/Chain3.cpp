// Quillon: a pass-through link of the extension chain.
#include "Chain3.h"

bool Chain3::Chain_sendToChain(QString& extension)
{
    extension = extension.toLower();
    passOn(extension);
    return false;
}
