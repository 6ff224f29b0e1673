// Quillon engine: the engine's own lines on standard error.
#pragma once

#include <QString>

namespace engine {

// Qt's warnings (and what the libraries under it relay through them, such as a decoder's
// complaint about a damaged picture) become the engine's own lines on standard error: at most one
// line per distinct message, never a payload (long runs without a blank, such as base64 data,
// are cut). Debug and info messages are dropped.
void installMessageLog();

// The line a message becomes: its first line, blanks collapsed, runs of more than 40 characters
// without a blank and anything past 160 characters cut to "...".
QString messageLine(const QString& message);

} // namespace engine
