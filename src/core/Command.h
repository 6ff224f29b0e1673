// Quillon: the interface of the command objects that carry requests to the coordinator.
#pragma once

// A request: callers create a new command for every use, init it with the coordinator and
// Execute it. Implementers override Command_Execute; the base body does nothing.
class Command {
public:
    Command() = default;
    virtual ~Command() = default;
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    void Execute() { Command_Execute(); }

protected:
    virtual void Command_Execute();
};
