// Quillon: the decorator that runs a converter.
#include "Decorator.h"

#include "Error.h"

#include <QMetaObject>

void Decorator::init(std::shared_ptr<QObject>& object)
{
    m_wrappedObject = object;
}

void Decorator::AbstractDecorator_init(std::shared_ptr<QObject>& object)
{
    m_wrappedObject = object;
    init(object);
}

void Decorator::AbstractDecorator_initContents(std::shared_ptr<QObject>& object)
{
    m_contents = object;
}

std::shared_ptr<QObject> Decorator::AbstractDecorator_getobject() const
{
    return m_wrappedObject;
}

void Decorator::AbstractDecorator_ShowIt()
{
    // Held for the call: the object stays alive even if the decorator is re-initialised.
    const std::shared_ptr<QObject> target = m_wrappedObject;
    if (!target)
        throw platform::Error(platform::err::ObjectNotSet,
                              QStringLiteral("Object variable or With block variable not set"));
    if (!QMetaObject::invokeMethod(target.get(), "Execute", Qt::DirectConnection))
        throw platform::Error(platform::err::NotSupported,
                              QStringLiteral("Object doesn't support this property or method"));
}
