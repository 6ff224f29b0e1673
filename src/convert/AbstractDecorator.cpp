// Quillon: the interface of the decorators that run the converters.
#include "AbstractDecorator.h"

void AbstractDecorator::AbstractDecorator_init(std::shared_ptr<QObject>&) {}
void AbstractDecorator::AbstractDecorator_initContents(std::shared_ptr<QObject>&) {}

std::shared_ptr<QObject> AbstractDecorator::AbstractDecorator_getobject() const
{
    return nullptr;
}

void AbstractDecorator::AbstractDecorator_ShowIt() {}
