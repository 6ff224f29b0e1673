// Quillon engine: writes a published document to its target file.
#pragma once

#include "Document.h"

#include <QByteArray>
#include <QString>

namespace engine {

enum class PublishFormat { Xml, Html };

class Publisher final {
public:
    // Writes the document in the format to target. Raises EngineError (WriteFailed) naming the
    // target when it cannot be written.
    static void publish(const Document& document, PublishFormat format, const QString& target,
                        const QString& fallbackTitle);

    // Writes bytes to a temporary file beside target and renames it into place, so a failure
    // never leaves a half-written target nor touches a file already there.
    static void writeAtomically(const QString& target, const QByteArray& bytes);
};

} // namespace engine
