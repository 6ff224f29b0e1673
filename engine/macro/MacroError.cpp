#include "MacroError.h"

namespace engine::macro {

MacroError::MacroError(int line, int column, QString message)
    : m_line(line), m_column(column), m_message(std::move(message))
{
    if (m_line <= 0)
        m_text = m_message;
    else if (m_column <= 0)
        m_text = QStringLiteral("Line %1: %2").arg(m_line).arg(m_message);
    else
        m_text = QStringLiteral("Line %1, column %2: %3").arg(m_line).arg(m_column).arg(m_message);
    m_utf8 = m_text.toUtf8();
}

} // namespace engine::macro
