// Quillon: the request "start the work for the chosen input".
#pragma once

#include "Command.h"

#include <memory>

class Mediator;

// Execute asks the coordinator for the stored source file and issues its Command1 with it.
class cmd1 final : public Command, public std::enable_shared_from_this<cmd1> {
public:
    // Keeps the coordinator and registers this command with it as command 1.
    void init(const std::shared_ptr<Mediator>& mediator);

protected:
    void Command_Execute() override;

private:
    std::weak_ptr<Mediator> m_mediator;
};
