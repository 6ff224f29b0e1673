// Quillon engine: the one error type every operation raises.
#pragma once

#include <QString>
#include <exception>

namespace engine {

// A failure of an engine operation. Each kind carries one automation error number (what the
// application sees over the wire, see EngineContract.h) and one process exit code (what
// `--publish` returns).
class EngineError final : public std::exception {
public:
    // FileNotFound, UnknownOperation, ArgumentMissing and OutOfMemory raise error numbers of
    // their own, every other kind the automation error (EngineContract.h).
    enum class Kind {
        UnknownOperation,
        ArgumentMissing,
        FileNotFound,
        NoDocument,
        Unreadable, // not a document, damaged, unsupported version
        PasswordProtected,
        WriteFailed,
        BadArgument, // an argument that cannot be understood (a JPEG quality)
        MacroFailed, // a macro that cannot be read or fails while playing
        OutOfMemory, // the engine could not have the memory an operation needs
    };

    EngineError(Kind kind, QString description);

    static EngineError unknownOperation(const QString& operation);
    static EngineError argumentMissing(const QString& operation);
    static EngineError fileNotFound(const QString& path);
    static EngineError noDocument(const QString& operation);
    // "Cannot write "<target>": <why>."
    static EngineError writeFailed(const QString& target, const QString& why);
    // "Cannot open "<path>": not enough memory (limit 256 MB)."
    static EngineError outOfMemory(const QString& path);

    Kind kind() const { return m_kind; }
    int number() const;
    int exitCode() const;
    const QString& description() const { return m_description; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    Kind m_kind;
    QString m_description;
    QByteArray m_utf8;
};

} // namespace engine
