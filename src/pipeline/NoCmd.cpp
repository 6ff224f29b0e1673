// Quillon: the terminal link of the extension chain.
#include "NoCmd.h"

#include "core/General.h"

bool NoCmd::Chain_sendToChain(QString&)
{
    gExtFound = false;
    return false;
}
