// Quillon: a pass-through link of the extension chain.
#pragma once

#include "Chain.h"

// Lower-cases the extension in place and passes it on.
class Chain3 final : public LinkedChain {
protected:
    bool Chain_sendToChain(QString& extension) override;
};
