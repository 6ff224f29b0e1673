// Quillon: the work item of a batch.
#include "ParseObject1.h"

#include "convert/DecObj.h"
#include "convert/Decorator.h"

void ParseObject1::ParseObject_init(QString& path)
{
    m_fileName = path;
}

void ParseObject1::ParseObject_Execute()
{
    const std::shared_ptr<AbstractDecorator> decorator = std::make_shared<Decorator>();
    const auto converter = std::make_shared<DecObj>();
    converter->init(m_fileName);
    converter->setOutputNames(m_outputNames);
    std::shared_ptr<QObject> wrapped = converter;
    decorator->init(wrapped);
    decorator->ShowIt();
}
