// Quillon: owns the three mode states and forwards requests to the current one.
#pragma once

#include <QString>
#include <memory>

class Mediator;
class State;

class StateManager final {
public:
    StateManager();
    ~StateManager();
    StateManager(const StateManager&) = delete;
    StateManager& operator=(const StateManager&) = delete;

    // Creates State1, State2 and State3 (each initialised with the coordinator) and selects the
    // idle state.
    void init(const std::shared_ptr<Mediator>& mediator);
    // The setters only select; they call no state and touch no window.
    void setStateOne();
    void SetStateTwo();
    void SetStateThree();
    void Command1(QString& text);
    void Command2(QString& text);
    void Command3();

    State* currentState() const { return m_current.get(); }
    State* stateOne() const { return m_one.get(); }
    State* stateTwo() const { return m_two.get(); }
    State* stateThree() const { return m_three.get(); }

private:
    std::shared_ptr<State> m_current;
    std::shared_ptr<State> m_one;
    std::shared_ptr<State> m_two;
    std::shared_ptr<State> m_three;
};
