// Quillon engine: why a macro could not be read or played.
#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace engine::macro {

// A macro that cannot be parsed or that fails while playing. Line and column count from 1; a
// column of 0 means the error concerns the line as a whole, a line of 0 the macro as a whole.
class MacroError final : public std::exception {
public:
    MacroError(int line, int column, QString message);
    MacroError(int line, QString message) : MacroError(line, 0, std::move(message)) {}

    int line() const { return m_line; }
    int column() const { return m_column; }
    const QString& message() const { return m_message; }
    // "Line 3: unknown command 'Foo'", "Line 2, column 17: expected ')'".
    const QString& text() const { return m_text; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    int m_line;
    int m_column;
    QString m_message;
    QString m_text;
    QByteArray m_utf8;
};

} // namespace engine::macro
