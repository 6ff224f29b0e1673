// Quillon engine: drawing WordPerfect graphics straight onto an image (picture module only).
#pragma once

#include "WpgRecords.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <functional>

namespace librevenge {
class RVNGDrawingInterface;
}

namespace engine::graphic {

// What drawing a graphic needs from the rest of the picture module.
struct Services {
    // Decodes an embedded picture (a bitmap or a Windows Metafile): null, with the reason in
    // *why, when it cannot.
    std::function<QImage(const QByteArray& data, QString* why)> decode;
    // Whether text can be drawn (the font database is open). It may throw to stop the drawing
    // until it can.
    std::function<bool()> fonts;
    int maxSide = 2048; // pixels of the longest side
    qint64 timeLimitMs = 3000;
};

// A graphic drawn.
struct Drawing {
    bool parsed = false; // the parser read the graphic to its end
    // The picture; null when there was nothing to draw on (no page, or a page without a size).
    QImage image;
    // The graphic shows nothing but one embedded picture: image is that picture at its own size,
    // null when it could not be decoded (why says why).
    bool onePicture = false;
    int drawn = 0;        // shapes, texts and embedded pictures drawn
    int leftOut = 0;      // embedded pictures that could not be drawn
    QString why;          // why the first of them could not, or why the drawing was stopped
    bool stopped = false; // it took too long: the picture is incomplete
};

// Runs parse (libwpg reading a graphic) with a drawing interface that paints each call as it
// comes onto an image of the first page, at 96 dots per inch (longest side at most maxSide),
// exactly as a browser or Qt SVG draws the SVG librevenge writes for the same calls: the same
// shapes, strokes (no stroke of width 0), dashes, fills, gradients, opacities, embedded
// pictures and text. A graphic is untrusted input: coordinates are bounded, a shape reaching far
// beyond the page is clipped around it first (what shows of it unchanged, its curves made lines
// at a quarter of a pixel), shapes with more than a million points are left out, and drawing
// stops after timeLimitMs.
Drawing draw(const std::function<bool(librevenge::RVNGDrawingInterface&)>& parse,
             const Services& services);

// Paints the shapes of a graphic read without libwpg exactly as draw() paints libwpg's calls for
// them. Nothing of the graphic's other records (its text) is drawn.
Drawing drawShapes(const wpg::Shapes& shapes, const Services& services);

} // namespace engine::graphic
