// Quillon: the interface of the decorators that run the converters.
#pragma once

#include <QObject>
#include <memory>

// A decorator wraps an object and shows it:
// - init takes the object to run;
// - initContents takes a further object (what is done with it depends on the decorator);
// - getobject returns the wrapped object (null when none);
// - ShowIt runs the wrapped object; errors raised inside pass out unchanged.
// Object arguments are references the operation may replace. Implementers override the
// AbstractDecorator_ operations; the base bodies do nothing and getobject returns null.
class AbstractDecorator : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AbstractDecorator)

public:
    AbstractDecorator() = default;
    ~AbstractDecorator() override = default;

    void init(std::shared_ptr<QObject>& object) { AbstractDecorator_init(object); }
    void initContents(std::shared_ptr<QObject>& object) { AbstractDecorator_initContents(object); }
    std::shared_ptr<QObject> getobject() const { return AbstractDecorator_getobject(); }
    void ShowIt() { AbstractDecorator_ShowIt(); }

protected:
    virtual void AbstractDecorator_init(std::shared_ptr<QObject>& object);
    virtual void AbstractDecorator_initContents(std::shared_ptr<QObject>& object);
    virtual std::shared_ptr<QObject> AbstractDecorator_getobject() const;
    virtual void AbstractDecorator_ShowIt();
};
