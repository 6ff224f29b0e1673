// Quillon: the decorator that runs a converter.
#pragma once

#include "AbstractDecorator.h"

// Wraps any QObject that offers an invokable Execute() and runs it on ShowIt, invoked by name.
// ShowIt raises error 91 when nothing is wrapped and error 438 when the object has no Execute.
class Decorator final : public AbstractDecorator {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Decorator)

public:
    Decorator() = default;
    ~Decorator() override = default;

    // Its own init: stores the object as the one to run.
    void init(std::shared_ptr<QObject>& object);
    std::shared_ptr<QObject> contents() const { return m_contents; }

protected:
    void AbstractDecorator_init(std::shared_ptr<QObject>& object) override;
    void AbstractDecorator_initContents(std::shared_ptr<QObject>& object) override;
    std::shared_ptr<QObject> AbstractDecorator_getobject() const override;
    void AbstractDecorator_ShowIt() override;

private:
    std::shared_ptr<QObject> m_contents;
    std::shared_ptr<QObject> m_wrappedObject;
};
