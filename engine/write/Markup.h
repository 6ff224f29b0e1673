// Quillon engine: text helpers shared by the XML and HTML writers.
#pragma once

#include <QString>
#include <QStringView>

namespace engine::markup {

// The text with every character that XML 1.0 or HTML forbid taken out: C0 and C1 control
// characters other than tab, line feed and carriage return are dropped; lone surrogates and
// the noncharacters (U+FDD0..U+FDEF, U+xFFFE, U+xFFFF) become U+FFFD.
QString clean(QStringView text);

// Cleaned text with &, < and > escaped, for element content.
QString escapeText(QStringView text);

// Cleaned text with &, <, > and " escaped, for a double-quoted attribute value.
QString escapeAttribute(QStringView text);

// A link target fit for an href attribute: characters a URL may not hold are percent-encoded.
// Empty when the target would run script (javascript:, vbscript:, data:) or is empty.
QString safeHref(const QString& href);

// Whether the text has the shape of a language tag: 2 or 3 letters, then any number of "-" and
// 2 to 8 letters or digits ("en", "nl-NL").
bool isLanguageTag(QStringView text);

// A number for a style sheet or attribute: up to four decimals, no exponent, no trailing zeros.
QString number(double value);

} // namespace engine::markup
