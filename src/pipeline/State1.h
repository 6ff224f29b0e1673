// Quillon: the single-document mode.
#pragma once

#include "core/State.h"

class Stack;

// Command1 empties the document list, queues the chosen document if the extension chain takes
// it (or the coordinator takes it whatever its name), and issues a Command2; Command2 executes
// the oldest queued work item, one per call.
class State1 final : public State {
public:
    State1();
    ~State1() override;
    const std::shared_ptr<Stack>& workStack() const { return m_workStack; }

protected:
    void State_init(const std::shared_ptr<Mediator>& mediator) override;
    void State_Command1(QString& path) override;
    void State_Command2(QString& text) override;

private:
    std::weak_ptr<Mediator> m_mediator;
    std::shared_ptr<Stack> m_workStack;
};
