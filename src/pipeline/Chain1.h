// Quillon: the accepting link of the extension chain.
#pragma once

#include "Chain.h"

// Lower-cases the extension in place and compares it with every entry of the extension list
// (frmExtension's LstExt, each entry lower-cased). A match sets gExtFound; otherwise the
// request goes on to the next link.
class Chain1 final : public LinkedChain {
protected:
    bool Chain_sendToChain(QString& extension) override;
};
