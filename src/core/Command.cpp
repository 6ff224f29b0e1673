// Quillon: the interface of the command objects that carry requests to the coordinator.
#include "Command.h"

void Command::Command_Execute() {}
