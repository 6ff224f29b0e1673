// Quillon: the terminal link of the extension chain.
#pragma once

#include "Chain.h"

// Answers that the extension is not accepted (gExtFound := false); has no successor.
class NoCmd final : public Chain {
protected:
    bool Chain_sendToChain(QString& extension) override;
};
