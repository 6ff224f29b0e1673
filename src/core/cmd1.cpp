// Quillon: the request "start the work for the chosen input".
#include "cmd1.h"

#include "General.h"
#include "Mediator.h"

void cmd1::init(const std::shared_ptr<Mediator>& mediator)
{
    m_mediator = mediator;
    RequireObject(mediator).registerCmd1(shared_from_this());
}

void cmd1::Command_Execute()
{
    Mediator& mediator = RequireObject(m_mediator.lock());
    QString file = mediator.GetSourceFile();
    mediator.Command1(file);
}
