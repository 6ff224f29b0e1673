// Quillon: a decorator that takes over another decorator's wrapped object.
#pragma once

#include "AbstractDecorator.h"

// Built from another decorator, it wraps that decorator's object but never runs it: ShowIt
// does nothing. initContents takes a Decorator (error 13 for any other object), builds from it
// and hands the same object back; an empty reference builds as own init does and stays empty.
class ReDecorator final : public AbstractDecorator {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReDecorator)

public:
    ReDecorator() = default;
    ~ReDecorator() override = default;

    // Its own init: inner decorator := the given decorator (error 13 when the object is not a
    // decorator; an empty reference stands for a fresh AbstractDecorator); wrapped object :=
    // the inner decorator's object.
    void init(std::shared_ptr<QObject>& decorator);

protected:
    void AbstractDecorator_initContents(std::shared_ptr<QObject>& object) override;
    std::shared_ptr<QObject> AbstractDecorator_getobject() const override;

private:
    std::shared_ptr<AbstractDecorator> m_innerDecorator;
    std::shared_ptr<QObject> m_wrappedObject;
};
