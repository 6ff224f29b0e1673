// Quillon: the idle mode, current from start-up until the user chooses a mode.
#pragma once

#include "core/State.h"

// Command1 empties the document list; nothing else is done in this mode.
class State3 final : public State {
protected:
    void State_init(const std::shared_ptr<Mediator>& mediator) override;
    void State_Command1(QString& text) override;

private:
    std::weak_ptr<Mediator> m_mediator;
};
