#include "MacroText.h"

#include <QStringDecoder>

namespace engine::macro {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; 0 marks its five unused codes, which
// are kept as the C1 controls Latin-1 gives them.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

QString fromCp1252(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        const char16_t mapped = (b >= 0x80 && b < 0xA0) ? Cp1252High[b - 0x80] : 0;
        out += QChar(mapped ? mapped : char16_t(b));
    }
    return out;
}

} // namespace

QString macroTextFromBytes(const QByteArray& bytes)
{
    if (const auto bom = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*bom); // skips the byte-order mark
        return decoder.decode(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return fromCp1252(bytes);
}

} // namespace engine::macro
