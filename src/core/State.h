// Quillon: the interface of the three mode states.
#pragma once

#include <QString>
#include <memory>

class Mediator;

// A mode of the coordinator: single document, batch or idle. The state manager forwards the
// coordinator's requests to the current state:
// - init keeps the coordinator for later calls;
// - Command1 starts the work of this mode (the text is the chosen source file);
// - Command2 goes on with the next piece of work (the text is not read);
// - Command3 is issued by nothing.
// Implementers override the State_ operations; the base bodies do nothing.
class State {
public:
    State() = default;
    virtual ~State() = default;
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    void init(const std::shared_ptr<Mediator>& mediator) { State_init(mediator); }
    void Command1(QString& text) { State_Command1(text); }
    void Command2(QString& text) { State_Command2(text); }
    void Command3() { State_Command3(); }

protected:
    virtual void State_init(const std::shared_ptr<Mediator>& mediator);
    virtual void State_Command1(QString& text);
    virtual void State_Command2(QString& text);
    virtual void State_Command3();
};
