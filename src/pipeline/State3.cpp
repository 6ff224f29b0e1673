// Quillon: the idle mode.
#include "State3.h"

#include "ListView.h"
#include "ui/Form2.h"

void State3::State_init(const std::shared_ptr<Mediator>& mediator)
{
    m_mediator = mediator;
}

void State3::State_Command1(QString&)
{
    Form2::instance()->ListView1->Clear();
}
