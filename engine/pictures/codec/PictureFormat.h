// Quillon engine: the formats pictures are written in, and telling a WordPerfect graphic by its
// header.
#pragma once

#include <QByteArray>

namespace engine {

enum class PictureFormat {
    Jpeg,
    Png,
    InlineSvg, // vector pictures inline (HTML only); bitmaps as PNG files
};

// Whether the bytes are a WordPerfect graphic (WPG 1 or 2), by their header.
inline bool isWpg(const QByteArray& data)
{
    return data.size() >= 16 && data.startsWith("\xFFWPC") && data.at(9) == 0x16;
}

} // namespace engine
