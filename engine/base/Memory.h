// Quillon engine: telling a document that needs more memory than the engine may have from a
// damaged one.
#pragma once

#include <QString>

#include <cstddef>

namespace engine::memory {

// Called by the program's allocator when an allocation of `bytes` fails. It counts as running
// out of memory when the allocation could have been had: at most half the address-space limit
// (half the machine's memory without one). A larger one is a damaged length, not a shortage.
void allocationFailed(std::size_t bytes) noexcept;
// Forgets earlier failures and reads the limit again: called as each operation starts.
void reset() noexcept;
// Whether an allocation failed for want of memory since reset().
bool ranOut() noexcept;
// "not enough memory (limit 256 MB)"; without a limit "not enough memory".
QString shortage();

} // namespace engine::memory
