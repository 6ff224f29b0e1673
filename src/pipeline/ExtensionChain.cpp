// Quillon: building and asking the extension chain.
#include "ExtensionChain.h"

#include "Chain1.h"
#include "Chain2.h"
#include "Chain3.h"
#include "NoCmd.h"
#include "core/General.h"

std::shared_ptr<Chain> BuildExtensionChain()
{
    const std::shared_ptr<Chain> first = std::make_shared<Chain1>();
    const std::shared_ptr<Chain> second = std::make_shared<Chain2>();
    const std::shared_ptr<Chain> third = std::make_shared<Chain3>();
    const std::shared_ptr<Chain> last = std::make_shared<NoCmd>();
    first->addChain(second);
    second->addChain(third);
    third->addChain(last);
    return first;
}

bool IsExtensionAccepted(Chain& chain, QString& extension)
{
    gExtFound = false;
    chain.sendToChain(extension);
    return gExtFound;
}
