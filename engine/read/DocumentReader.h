// Quillon engine: reads a WordPerfect document into the model.
#pragma once

#include "Document.h"
#include "ObjectObserver.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace engine {

// Reads WordPerfect documents of every version libwpd knows (4.2, 5.x, 6 and later, also inside
// an OLE2 container). Raises EngineError: FileNotFound for a missing file, PasswordProtected for
// an encrypted one, Unreadable for anything that is not a readable WordPerfect document. Every
// description names the file.
class DocumentReader final {
public:
    // The observer, when given, is told about the embedded objects as the reader meets them.
    // A regular file read whole into memory (all but the largest) is also handed to `whole`
    // before it is parsed, so that its bytes need not be read again.
    static Document readFile(const QString& path, ObjectObserver* observer = nullptr,
                             const std::function<void(const QByteArray&)>& whole = {});
    // Reads a document held in memory; `name` is what error descriptions call it.
    static Document readBytes(const QByteArray& bytes, const QString& name,
                              ObjectObserver* observer = nullptr);
    // False when the file can be read and holds no WordPerfect document (an empty file, a
    // picture, a presentation, any other format); true for documents, readable or not.
    static bool isDocument(const QString& path);
};

} // namespace engine
