// quillon-convert: Ctrl-C and SIGTERM.
#pragma once

namespace cli::interrupt {

// Counts SIGINT and SIGTERM instead of ending the process, so the run can wind down in order;
// SIGPIPE is ignored (a report piped into a program that ends is a write error, not a death).
void install();
// How many of those signals have come.
int count();

} // namespace cli::interrupt
