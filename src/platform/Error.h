// Quillon: the one error type raised throughout the application.
#pragma once

#include <QString>
#include <exception>

namespace platform {

// Error numbers the system relies on. The automation server may raise others.
namespace err {
inline constexpr int InvalidArgument = 5;
inline constexpr int TypeMismatch = 13;
inline constexpr int ObjectNotSet = 91;
inline constexpr int CannotCreateObject = 429;
inline constexpr int NotSupported = 438;
inline constexpr int AutomationError = 440;
inline constexpr int DialogCancelled = 32755;
inline constexpr int KeyNotUnique = 35602;
} // namespace err

// A raised error: number, description and the source that raised it, like the automation
// runtime's error object. Operations that catch errors catch this type.
class Error : public std::exception {
public:
    Error(int number, QString description, QString source = QString());

    int number() const noexcept { return m_number; }
    const QString& description() const noexcept { return m_description; }
    const QString& source() const noexcept { return m_source; }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    int m_number;
    QString m_description;
    QString m_source;
    QByteArray m_what;
};

} // namespace platform
