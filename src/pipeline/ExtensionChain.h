// Quillon: building and asking the extension chain.
#pragma once

#include <QString>
#include <memory>

class Chain;

// A new chain Chain1 -> Chain2 -> Chain3 -> NoCmd; returns its first link.
std::shared_ptr<Chain> BuildExtensionChain();

// Clears gExtFound, offers the extension to the chain (which lower-cases it in place) and
// returns the answer it left in gExtFound.
bool IsExtensionAccepted(Chain& chain, QString& extension);
