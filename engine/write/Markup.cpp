// Quillon engine: text helpers shared by the XML and HTML writers.
#include "Markup.h"

#include <cctype>
#include <cmath>

namespace engine::markup {
namespace {

bool isForbiddenControl(char32_t c)
{
    if (c == 0x9 || c == 0xA || c == 0xD)
        return false;
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

bool isNonCharacter(char32_t c)
{
    return (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE;
}

QString escape(QStringView text, bool attribute)
{
    const QString cleaned = clean(text);
    QString out;
    out.reserve(cleaned.size() + cleaned.size() / 8);
    for (const QChar c : cleaned) {
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '"':
            out += attribute ? QLatin1String("&quot;") : QLatin1String("\"");
            break;
        case '\r':
            out += QLatin1String("&#13;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

QString clean(QStringView text)
{
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
            const char32_t code = QChar::surrogateToUcs4(c, text[i + 1]);
            if (isNonCharacter(code)) {
                out += QChar(0xFFFD);
            } else {
                out += c;
                out += text[i + 1];
            }
            ++i;
            continue;
        }
        if (c.isSurrogate()) {
            out += QChar(0xFFFD);
            continue;
        }
        const char32_t code = c.unicode();
        if (isForbiddenControl(code))
            continue;
        out += isNonCharacter(code) ? QChar(0xFFFD) : c;
    }
    return out;
}

QString escapeText(QStringView text)
{
    return escape(text, false);
}

QString escapeAttribute(QStringView text)
{
    return escape(text, true);
}

QString safeHref(const QString& href)
{
    const QString target = clean(href).trimmed();
    if (target.isEmpty())
        return {};
    const QString lower = target.toLower().remove(QLatin1Char(' '));
    for (const char* scheme : {"javascript:", "vbscript:", "data:"}) {
        if (lower.startsWith(QLatin1String(scheme)))
            return {};
    }
    // Keep what is already a valid escape, encode a stray '%', and encode everything that is not
    // an unreserved or reserved URL character.
    QByteArray out;
    const QByteArray utf8 = target.toUtf8();
    static const QByteArray allowed = QByteArrayLiteral(
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-._~:/?#@!$&'()*+,;=");
    auto isHex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8.at(i);
        if (c == '%' && i + 2 < utf8.size() && isHex(utf8.at(i + 1)) && isHex(utf8.at(i + 2))) {
            out += c;
        } else if (c != '%' && allowed.contains(c)) {
            out += c;
        } else {
            out += '%';
            out += QByteArray::number(static_cast<unsigned char>(c), 16)
                       .rightJustified(2, '0')
                       .toUpper();
        }
    }
    // A second '#' is not allowed in a URL: encode every one after the first.
    const qsizetype hash = out.indexOf('#');
    if (hash >= 0) {
        QByteArray tail = out.mid(hash + 1);
        tail.replace("#", "%23");
        out = out.left(hash + 1) + tail;
    }
    return QString::fromLatin1(out);
}

// The hand-written checks below stand in for regular expressions, whose compilation cost more
// than the rest of a small document's conversion.
namespace {

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// The number of characters from `from` on that satisfy the test.
template <typename Test> qsizetype span(QStringView text, qsizetype from, Test test)
{
    qsizetype i = from;
    while (i < text.size() && test(text[i]))
        ++i;
    return i - from;
}

} // namespace

bool isLanguageTag(QStringView text)
{
    const qsizetype letters = span(text, 0, isAsciiLetter);
    if (letters < 2 || letters > 3)
        return false;
    qsizetype i = letters;
    while (i < text.size()) {
        if (text[i] != u'-')
            return false;
        const qsizetype part =
            span(text, i + 1, [](QChar c) { return isAsciiLetter(c) || isAsciiDigit(c); });
        if (part < 2 || part > 8)
            return false;
        i += 1 + part;
    }
    return true;
}

QString number(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    QString s = QString::number(value, 'f', 4);
    if (s.contains(QLatin1Char('.'))) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLatin1Char('.')))
            s.chop(1);
    }
    if (s == QLatin1String("-0"))
        s = QStringLiteral("0");
    return s;
}

} // namespace engine::markup
