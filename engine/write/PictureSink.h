// Quillon engine: how a writer asks for the pictures it references.
#pragma once

#include "Document.h"

#include <QString>

namespace engine {

// What a writer puts where a picture was. Exactly one of src (a file beside the target) and
// svg (markup for an HTML page) is set when the picture was converted; neither when it failed,
// and then alt says so.
struct PictureRef {
    QString src;         // URL relative to the target's folder, percent-encoded
    QString svg;         // <svg> element to place inline in HTML
    QString svgUse;      // with svg: what later places of the picture in the same page hold
    QString alt;         // alternative text: "Picture 2", or "Picture 2 could not be converted"
    QString contentType; // of the file: "image/jpeg", "image/png"
    int width = 0;       // pixels of the file, 0 when unknown
    int height = 0;
    bool failed() const { return src.isEmpty() && svg.isEmpty(); }
};

// Handed to a writer: turns an embedded object (Inline::Kind::Object) into what the writer
// references. Called in the order the writer meets the objects.
class PictureSink {
public:
    virtual ~PictureSink() = default;
    virtual PictureRef picture(const Inline& object) = 0;
};

} // namespace engine
