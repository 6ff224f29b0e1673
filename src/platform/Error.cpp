// Quillon: the one error type raised throughout the application.
#include "Error.h"

namespace platform {

Error::Error(int number, QString description, QString source)
    : m_number(number), m_description(std::move(description)), m_source(std::move(source)),
      m_what(QStringLiteral("%1: %2").arg(number).arg(m_description).toUtf8())
{
}

} // namespace platform
