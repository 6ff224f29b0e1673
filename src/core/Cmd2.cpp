// Quillon: the request "go on with the next piece of work".
#include "Cmd2.h"

#include "General.h"
#include "Mediator.h"

void Cmd2::init(const std::shared_ptr<Mediator>& mediator)
{
    m_mediator = mediator;
    RequireObject(mediator).registerCmd2(shared_from_this());
}

void Cmd2::Command_Execute()
{
    QString text = QStringLiteral("test");
    RequireObject(m_mediator.lock()).Command2(text);
}
