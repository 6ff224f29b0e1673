// Quillon: the interface of the three mode states.
#include "State.h"

void State::State_init(const std::shared_ptr<Mediator>&) {}
void State::State_Command1(QString&) {}
void State::State_Command2(QString&) {}
void State::State_Command3() {}
