// Quillon engine: drawing Windows Metafiles (picture module only).
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace engine::metafile {

enum class Kind { None, Wmf, Emf };

// Tells a metafile by its first bytes: a placeable or plain Windows Metafile, or an Enhanced one.
Kind kindOf(const QByteArray& data);

// Whether a Windows Metafile writes text (its drawing then needs the font database).
bool hasText(const QByteArray& data);

// Draws a Windows Metafile at 96 dots per inch, longest side at most maxSide pixels, on a
// transparent image. Metafiles come from old documents and are untrusted: libwmf's interpreter
// reads them within a memory budget and a time limit, and every drawing call is clipped to the
// image. Null, with the reason in *why, when it cannot be drawn.
QImage renderWmf(const QByteArray& data, int maxSide, QString* why);

} // namespace engine::metafile
