// Quillon engine: decoding the base64 text librevenge gives binary data as.
#pragma once

#include <QByteArray>

#include <array>

namespace engine {

namespace base64detail {

constexpr std::array<signed char, 256> decodingTable()
{
    std::array<signed char, 256> table{};
    for (auto& entry : table)
        entry = -1;
    const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(alphabet[i])] = static_cast<signed char>(i);
    return table;
}

inline constexpr std::array<signed char, 256> kTable = decodingTable();

} // namespace base64detail

// librevenge hands embedded binary data out only as base64 (a picture's runs to megabytes), one
// line without breaks. Such text is decoded here through a table, several times cheaper than
// QByteArray::fromBase64; any other text (line breaks, stray characters, a length that is not a
// multiple of four, padding inside) goes to QByteArray::fromBase64, so the result is always the
// same as its.
inline QByteArray decodeBase64(const char* text, qsizetype size)
{
    const auto slow = [&] { return QByteArray::fromBase64(QByteArray(text, size)); };
    if (size == 0 || size % 4 != 0)
        return slow();
    const auto* in = reinterpret_cast<const unsigned char*>(text);
    const qsizetype padding = in[size - 1] != '=' ? 0 : in[size - 2] != '=' ? 1 : 2;
    QByteArray out(size / 4 * 3 - padding, Qt::Uninitialized);
    auto* to = reinterpret_cast<unsigned char*>(out.data());
    const auto& table = base64detail::kTable;
    const qsizetype whole = size - (padding ? 4 : 0);
    for (qsizetype i = 0; i < whole; i += 4) {
        const int a = table[in[i]], b = table[in[i + 1]], c = table[in[i + 2]],
                  d = table[in[i + 3]];
        if ((a | b | c | d) < 0)
            return slow();
        const unsigned bits =
            unsigned(a) << 18 | unsigned(b) << 12 | unsigned(c) << 6 | unsigned(d);
        *to++ = static_cast<unsigned char>(bits >> 16);
        *to++ = static_cast<unsigned char>(bits >> 8);
        *to++ = static_cast<unsigned char>(bits);
    }
    if (padding) {
        const qsizetype i = size - 4;
        const int a = table[in[i]], b = table[in[i + 1]];
        const int c = padding == 1 ? table[in[i + 2]] : 0;
        if ((a | b | c) < 0)
            return slow();
        const unsigned bits = unsigned(a) << 18 | unsigned(b) << 12 | unsigned(c) << 6;
        *to++ = static_cast<unsigned char>(bits >> 16);
        if (padding == 1)
            *to++ = static_cast<unsigned char>(bits >> 8);
    }
    return out;
}

} // namespace engine
