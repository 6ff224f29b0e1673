// Quillon: a decorator that takes over another decorator's wrapped object.
#include "ReDecorator.h"

#include "Decorator.h"
#include "Error.h"

namespace {

[[noreturn]] void raiseTypeMismatch()
{
    throw platform::Error(platform::err::TypeMismatch, QStringLiteral("Type mismatch"));
}

} // namespace

void ReDecorator::init(std::shared_ptr<QObject>& decorator)
{
    std::shared_ptr<AbstractDecorator> inner =
        std::dynamic_pointer_cast<AbstractDecorator>(decorator);
    if (decorator && !inner)
        raiseTypeMismatch();
    if (!inner)
        inner = std::make_shared<AbstractDecorator>();
    m_innerDecorator = inner;
    m_wrappedObject = m_innerDecorator->getobject();
}

void ReDecorator::AbstractDecorator_initContents(std::shared_ptr<QObject>& object)
{
    const std::shared_ptr<Decorator> decorator = std::dynamic_pointer_cast<Decorator>(object);
    if (object && !decorator)
        raiseTypeMismatch();
    std::shared_ptr<QObject> asObject = decorator;
    init(asObject);
    object = std::static_pointer_cast<AbstractDecorator>(decorator);
}

std::shared_ptr<QObject> ReDecorator::AbstractDecorator_getobject() const
{
    return m_wrappedObject;
}
