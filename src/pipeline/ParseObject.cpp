// Quillon: the interface of the work items.
#include "ParseObject.h"

void ParseObject::ParseObject_init(QString&) {}
void ParseObject::ParseObject_Execute() {}
