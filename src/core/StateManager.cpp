// Quillon: owns the three mode states and forwards requests to the current one.
#include "StateManager.h"

#include "Error.h"
#include "pipeline/State1.h"
#include "pipeline/State2.h"
#include "pipeline/State3.h"

StateManager::StateManager() = default;
StateManager::~StateManager() = default;

void StateManager::init(const std::shared_ptr<Mediator>& mediator)
{
    m_one = std::make_shared<State1>();
    m_one->init(mediator);
    m_two = std::make_shared<State2>();
    m_two->init(mediator);
    m_three = std::make_shared<State3>();
    m_three->init(mediator);
    m_current = m_three;
}

void StateManager::setStateOne()
{
    m_current = m_one;
}

void StateManager::SetStateTwo()
{
    m_current = m_two;
}

void StateManager::SetStateThree()
{
    m_current = m_three;
}

namespace {

State& require(const std::shared_ptr<State>& state)
{
    if (!state)
        throw platform::Error(platform::err::ObjectNotSet,
                              QStringLiteral("Object variable or With block variable not set"));
    return *state;
}

} // namespace

void StateManager::Command1(QString& text)
{
    // Held for the whole call: the current state may change while it works.
    const std::shared_ptr<State> state = m_current;
    require(state).Command1(text);
}

void StateManager::Command2(QString& text)
{
    const std::shared_ptr<State> state = m_current;
    require(state).Command2(text);
}

void StateManager::Command3()
{
    const std::shared_ptr<State> state = m_current;
    require(state).Command3();
}
