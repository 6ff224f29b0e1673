// Quillon: the request "go on with the next piece of work".
#pragma once

#include "Command.h"

#include <memory>

class Mediator;

// Execute issues the coordinator's Command2 with the fixed text "test".
class Cmd2 final : public Command, public std::enable_shared_from_this<Cmd2> {
public:
    // Keeps the coordinator and registers this command with it as command 2.
    void init(const std::shared_ptr<Mediator>& mediator);

protected:
    void Command_Execute() override;

private:
    std::weak_ptr<Mediator> m_mediator;
};
