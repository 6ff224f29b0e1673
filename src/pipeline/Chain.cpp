// Quillon: the interface of the links of the extension chain.
#include "Chain.h"

void Chain::Chain_addChain(const std::shared_ptr<Chain>&) {}

bool Chain::Chain_sendToChain(QString&)
{
    return false;
}

std::shared_ptr<Chain> Chain::Chain_getChain() const
{
    return nullptr;
}

bool Chain::Chain_hasChain() const
{
    return false;
}

void LinkedChain::Chain_addChain(const std::shared_ptr<Chain>& next)
{
    m_nextChain = next;
    m_hasNextChain = true;
}

std::shared_ptr<Chain> LinkedChain::Chain_getChain() const
{
    return m_nextChain;
}

bool LinkedChain::Chain_hasChain() const
{
    return m_hasNextChain;
}

void LinkedChain::passOn(QString& extension)
{
    if (m_nextChain)
        m_nextChain->sendToChain(extension);
}
