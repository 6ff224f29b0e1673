// Quillon: the work item of single-document mode.
#include "ParseObject2.h"

#include "convert/DecObj2.h"
#include "convert/Decorator.h"

void ParseObject2::ParseObject_init(QString& path)
{
    m_fileName = path;
}

void ParseObject2::ParseObject_Execute()
{
    const std::shared_ptr<AbstractDecorator> decorator = std::make_shared<Decorator>();
    const auto converter = std::make_shared<DecObj2>();
    converter->init(m_fileName);
    std::shared_ptr<QObject> wrapped = converter;
    decorator->init(wrapped);
    decorator->ShowIt();
}
