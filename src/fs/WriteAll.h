// Quillon: writing a whole buffer to a file descriptor.
#pragma once

#include <QByteArray>

namespace fs {

// Writes every byte of bytes to fd, going on after short writes and interrupted calls. Returns
// false on the first failure, with errno saying why (EIO when the descriptor took nothing).
bool writeAll(int fd, const QByteArray& bytes);

} // namespace fs
