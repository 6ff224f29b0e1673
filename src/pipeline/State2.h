// Quillon: the batch mode.
#pragma once

#include "core/State.h"

class Stack;
namespace fs {
class OutputNames;
}

// Command1 empties the document list, queues one work item per file of the source folder that
// the extension chain takes (in the folder listing's order) and starts the conversions.
//
// The documents are converted one at a time, oldest first, by a loop in Command2 rather than
// by nesting: each converter issues a Command2 when it has finished its document; arriving
// while the loop runs, that Command2 only records that the batch goes on, and the loop takes
// the next item once the converter has returned. A converter whose final Command2 went to
// another state (the user switched mode meanwhile) ends the batch, as nesting would.
// A document whose conversion raises an error shows "Failed"; Command1 catches the error and
// goes on with the next queued document. The documents of one batch share its output names,
// so none of them replaces the output of another.
class State2 final : public State {
public:
    State2();
    ~State2() override;
    const std::shared_ptr<Stack>& workStack() const { return m_workStack; }

protected:
    void State_init(const std::shared_ptr<Mediator>& mediator) override;
    void State_Command1(QString& text) override;
    void State_Command2(QString& text) override;

private:
    void queueSourceFolder();
    void startConversions();

    std::weak_ptr<Mediator> m_mediator;
    std::shared_ptr<Stack> m_workStack;
    std::shared_ptr<fs::OutputNames> m_outputNames;
    bool m_draining = false;
    bool m_goOn = false;
};
