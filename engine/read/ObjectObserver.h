// Quillon engine: what a document's reader tells about the objects it embeds, as it reads.
#pragma once

#include <QByteArray>

namespace engine {

// Told about a document's embedded objects (pictures) while the document is read, so that
// they can be converted while the rest of it is.
class ObjectObserver {
public:
    virtual ~ObjectObserver() = default;
    // The document's bytes hold a WordPerfect graphic: objects will come.
    virtual void objectsAhead() = 0;
    // An object, as the reader records it.
    virtual void objectMet(const QByteArray& data) = 0;
};

} // namespace engine
