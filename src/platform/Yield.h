// Quillon: letting the window system breathe during long work.
#pragma once

namespace platform {

// Lets the window system process all pending events, the given number of times in a row.
void DoEvents(int times);
// Blocks the calling thread for the given number of milliseconds.
void Sleep(unsigned long milliseconds);

} // namespace platform
