// Quillon engine: the one error type every operation raises.
#include "EngineError.h"

#include "EngineContract.h"
#include "Memory.h"

namespace engine {

EngineError::EngineError(Kind kind, QString description)
    : m_kind(kind), m_description(std::move(description)), m_utf8(m_description.toUtf8())
{
}

EngineError EngineError::unknownOperation(const QString& operation)
{
    return {Kind::UnknownOperation,
            QStringLiteral("%1: \"%2\"").arg(wire::kUnknownOperation.meaning, operation)};
}

EngineError EngineError::argumentMissing(const QString& operation)
{
    return {Kind::ArgumentMissing, QStringLiteral("%1: \"%2\" needs an argument")
                                       .arg(wire::kArgumentNotOptional.meaning, operation)};
}

EngineError EngineError::fileNotFound(const QString& path)
{
    return {Kind::FileNotFound,
            QStringLiteral("%1: \"%2\"").arg(wire::kFileNotFound.meaning, path)};
}

EngineError EngineError::noDocument(const QString& operation)
{
    return {
        Kind::NoDocument,
        QStringLiteral("\"%1\" needs an open document, and no document is open").arg(operation)};
}

EngineError EngineError::writeFailed(const QString& target, const QString& why)
{
    return {Kind::WriteFailed, QStringLiteral("Cannot write \"%1\": %2.").arg(target, why)};
}

EngineError EngineError::outOfMemory(const QString& path)
{
    return {Kind::OutOfMemory,
            QStringLiteral("Cannot open \"%1\": %2.").arg(path, memory::shortage())};
}

int EngineError::number() const
{
    switch (m_kind) {
    case Kind::OutOfMemory:
        return wire::kOutOfMemory.number;
    case Kind::UnknownOperation:
        return wire::kUnknownOperation.number;
    case Kind::ArgumentMissing:
        return wire::kArgumentNotOptional.number;
    case Kind::FileNotFound:
        return wire::kFileNotFound.number;
    case Kind::NoDocument:
    case Kind::Unreadable:
    case Kind::PasswordProtected:
    case Kind::WriteFailed:
    case Kind::BadArgument:
    case Kind::MacroFailed:
        break;
    }
    return wire::kAutomationError.number;
}

int EngineError::exitCode() const
{
    switch (m_kind) {
    case Kind::FileNotFound:
        return 3;
    case Kind::Unreadable:
        return 4;
    case Kind::PasswordProtected:
        return 5;
    case Kind::WriteFailed:
        return 6;
    case Kind::OutOfMemory:
        return 7;
    case Kind::UnknownOperation:
    case Kind::ArgumentMissing:
    case Kind::NoDocument:
    case Kind::BadArgument:
    case Kind::MacroFailed:
        break;
    }
    return 1;
}

} // namespace engine
