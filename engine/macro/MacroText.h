// Quillon engine: the text of a plain-text macro file.
#pragma once

#include <QByteArray>
#include <QString>

namespace engine::macro {

// Decodes a macro file that holds its macro as plain text: UTF-8 or UTF-16 with a byte-order
// mark, UTF-8 without one, and otherwise Windows-1252 (what editors of the word processor's
// era wrote). A file that is a WordPerfect document is not for this function: the engine reads
// its text with libwpd and parses that.
QString macroTextFromBytes(const QByteArray& bytes);

} // namespace engine::macro
