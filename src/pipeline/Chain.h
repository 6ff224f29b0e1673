// Quillon: the interface of the links of the extension chain.
#pragma once

#include <QString>
#include <memory>

// A chain of responsibility that decides by file-name extension whether a file is taken. The
// answer is left in gExtFound, not returned:
// - addChain links the next link;
// - sendToChain offers an extension (lower-cased in place by the links that pass it on) and
//   always returns false;
// - getChain returns the next link, hasChain whether there is one.
// Implementers override the Chain_ operations; the base bodies do nothing.
class Chain {
public:
    Chain() = default;
    virtual ~Chain() = default;
    Chain(const Chain&) = delete;
    Chain& operator=(const Chain&) = delete;

    void addChain(const std::shared_ptr<Chain>& next) { Chain_addChain(next); }
    bool sendToChain(QString& extension) { return Chain_sendToChain(extension); }
    std::shared_ptr<Chain> getChain() const { return Chain_getChain(); }
    bool hasChain() const { return Chain_hasChain(); }

protected:
    virtual void Chain_addChain(const std::shared_ptr<Chain>& next);
    virtual bool Chain_sendToChain(QString& extension);
    virtual std::shared_ptr<Chain> Chain_getChain() const;
    virtual bool Chain_hasChain() const;
};

// The state shared by the links that pass a request on: the next link, if any.
class LinkedChain : public Chain {
protected:
    void Chain_addChain(const std::shared_ptr<Chain>& next) override;
    std::shared_ptr<Chain> Chain_getChain() const override;
    bool Chain_hasChain() const override;
    // Passes the extension to the next link; a link without a successor ends the chain.
    void passOn(QString& extension);

private:
    std::shared_ptr<Chain> m_nextChain;
    bool m_hasNextChain = false;
};
