// Quillon engine: where a WordPerfect file's own structure says it ends.
#include "FileExtent.h"

#include <QByteArray>

#include <librevenge-stream/librevenge-stream.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace engine {
namespace {

// Reads a stream through a window, so the scans of a document area read it once, in large pieces.
class Bytes {
public:
    Bytes(librevenge::RVNGInputStream& input, qint64 size) : m_input(input), m_size(size) {}

    qint64 size() const { return m_size; }
    // The byte at pos, which must lie within the stream.
    quint8 at(qint64 pos)
    {
        if (pos < m_start || pos >= m_start + m_window.size())
            load(pos);
        return pos - m_start < m_window.size() ? quint8(m_window.at(pos - m_start)) : 0;
    }
    quint16 u16(qint64 pos) { return quint16(at(pos) | at(pos + 1) << 8); }
    quint32 u32(qint64 pos) { return quint32(u16(pos)) | quint32(u16(pos + 2)) << 16; }

private:
    void load(qint64 pos)
    {
        constexpr qint64 kWindow = 64 * 1024;
        m_start = pos;
        m_window.clear();
        if (m_input.seek(long(pos), librevenge::RVNG_SEEK_SET) != 0)
            return;
        while (m_window.size() < kWindow) {
            unsigned long got = 0;
            const unsigned char* data =
                m_input.read(static_cast<unsigned long>(kWindow - m_window.size()), got);
            if (!data || got == 0)
                break;
            m_window.append(reinterpret_cast<const char*>(data), qsizetype(got));
        }
    }

    librevenge::RVNGInputStream& m_input;
    qint64 m_size;
    QByteArray m_window;
    qint64 m_start = 0;
};

std::optional<Shortfall> runsTo(qint64 size, qint64 end)
{
    if (end <= size)
        return std::nullopt;
    Shortfall s;
    s.fileEnd = size;
    s.promisedEnd = end;
    return s;
}

// The file ends inside the formatting code that begins at codeStart, which would end at `end`
// (-1: not known).
std::optional<Shortfall> endsInsideCode(qint64 size, qint64 codeStart, qint64 end = -1)
{
    Shortfall s;
    s.fileEnd = size;
    s.codeStart = codeStart;
    s.promisedEnd = end;
    return s;
}

// Formatting codes of 4.2 and 5.x from 0xC0 on open a function that the same byte closes. Most
// have a fixed length.
int knownLength(bool wp42, quint8 code)
{
    if (wp42) {
        switch (code) {
        case 0xC0:
        case 0xC5:
        case 0xCB:
        case 0xD0:
            return 6;
        case 0xC3:
            return 5;
        case 0xCC:
        case 0xCE:
        case 0xD5:
        case 0xD8:
        case 0xEC:
            return 4;
        case 0xE1:
        case 0xE7:
        case 0xE8:
            return 3;
        case 0xF1:
            return 106;
        case 0xF3:
            return 100;
        default:
            return 0;
        }
    }
    switch (code) {
    case 0xC0:
        return 4;
    case 0xC1:
        return 9;
    case 0xC2:
        return 11;
    case 0xC3:
    case 0xC4:
        return 3;
    default:
        return 0;
    }
}

// The text of 4.2 (from 0) and of 5.x (from the document area): single bytes, and functions
// from 0xC0 on, closed by the byte that opened them. In 5.x those from 0xD0 on carry their length
// after a subgroup byte and repeat it, with the subgroup and the code, at their end, and the
// others are a dozen bytes at most. A scan that meets something else has lost its way and stops
// without a verdict rather than guess. A file without a header is judged only when it showed
// at least one code of a known length in its place: plain text is no evidence of anything.
std::optional<Shortfall> scanCodes(Bytes& b, qint64 from, bool wp42)
{
    const qint64 size = b.size();
    int confirmed = 0;
    const auto verdict = [&](std::optional<Shortfall> s) {
        return wp42 && confirmed == 0 ? std::nullopt : s;
    };
    for (qint64 i = from; i < size;) {
        const quint8 c = b.at(i);
        if (c < 0xC0 || c == 0xFF) {
            ++i;
            continue;
        }
        if (!wp42 && c >= 0xD0) {
            if (i + 4 > size)
                return endsInsideCode(size, i);
            const qint64 end = i + 4 + b.u16(i + 2);
            if (end > size)
                return endsInsideCode(size, i, end);
            if (b.at(end - 1) != c || b.at(end - 2) != b.at(i + 1) ||
                b.u16(end - 4) != b.u16(i + 2))
                return std::nullopt;
            i = end;
            continue;
        }
        const int length = knownLength(wp42, c);
        if (length > 0 && i + length > size)
            return verdict(endsInsideCode(size, i, i + length));
        if (length > 0 && b.at(i + length - 1) == c) {
            ++confirmed;
            i += length;
            continue;
        }
        if (length > 0 && wp42)
            return std::nullopt;
        const qint64 limit = wp42 ? size : std::min(size, i + 16);
        qint64 close = i + 1;
        while (close < limit && b.at(close) != c)
            ++close;
        if (close == size)
            return verdict(endsInsideCode(size, i));
        if (close == limit)
            return std::nullopt;
        i = close + 1;
    }
    return std::nullopt;
}

// 5.x: the prefix is a chain of index blocks from byte 16. A block begins with an entry of type
// 0xFFFB (its entry count, its size and the next block's place); every other entry names a
// packet by type, length and place (type 0xFFFF: unused).
qint64 wp5PrefixEnd(Bytes& b)
{
    qint64 end = 16;
    qint64 block = 16;
    for (int blocks = 0; block > 0 && blocks < 4096; ++blocks) {
        end = std::max(end, block + 10);
        if (block + 10 > b.size() || b.u16(block) != 0xFFFB)
            break;
        const int entries = b.u16(block + 2);
        end = std::max(end, block + 10 * qint64(entries));
        for (int i = 1; i < entries && block + 10 * (i + 1) <= b.size(); ++i) {
            const qint64 e = block + 10 * i;
            const quint32 length = b.u32(e + 2);
            if (b.u16(e) != 0xFFFF && length > 0)
                end = std::max(end, qint64(b.u32(e + 6)) + length);
        }
        const qint64 next = b.u32(block + 6);
        block = next > block ? next : 0;
    }
    return end;
}

// 6 and later: the place of the index at byte 14 (the file's size, at byte 20, is checked apart);
// the index's header (14 bytes) counts itself among its entries, and each entry (14 bytes) ends
// with a packet's size and place.
qint64 wp6PrefixEnd(Bytes& b)
{
    qint64 end = 24;
    const qint64 index = b.u16(14);
    end = std::max(end, index + 14);
    if (index + 14 > b.size())
        return end;
    const int entries = b.u16(index + 2);
    end = std::max(end, index + 14 * qint64(std::max(entries, 1)));
    for (int i = 1; i < entries && index + 14 * (i + 1) <= b.size(); ++i) {
        const qint64 e = index + 14 * i;
        const quint32 length = b.u32(e + 6);
        if (length > 0)
            end = std::max(end, qint64(b.u32(e + 10)) + length);
    }
    return end;
}

std::optional<Shortfall> wordPerfect(Bytes& b)
{
    const qint64 size = b.size();
    const bool header =
        size >= 4 && b.at(0) == 0xFF && b.at(1) == 'W' && b.at(2) == 'P' && b.at(3) == 'C';
    if (!header)
        return scanCodes(b, 0, true);
    if (size < 16)
        return runsTo(size, 16);
    const qint64 text = b.u32(4);
    if (text > size) {
        Shortfall s;
        s.fileEnd = size;
        s.promisedEnd = text;
        s.textBeyondEnd = true;
        return s;
    }
    if (b.at(9) != 0x0A) // not a document: nothing more is known of its layout
        return std::nullopt;
    switch (b.at(10)) {
    case 0:
        if (auto s = runsTo(size, wp5PrefixEnd(b)))
            return s;
        return scanCodes(b, text, false);
    case 2: {
        const qint64 declared = size >= 24 ? b.u32(20) : 24;
        if (wp6PrefixEnd(b) > size)
            return runsTo(size, std::max(wp6PrefixEnd(b), declared));
        // Only the size in the header left: a text that ends on a hard return is whole, and the
        // size is one an editing tool left stale (as in documents trimmed by hand for a test
        // suite); a cut would have to fall exactly after a paragraph's end to look like that.
        constexpr quint8 kHardReturn = 0xCC;
        if (size > text && b.at(size - 1) == kHardReturn)
            return std::nullopt;
        return runsTo(size, declared);
    }
    default:
        return std::nullopt;
    }
}

// OLE2: a 512-byte header, then sectors of 2^shift bytes numbered from 0. The allocation table
// (its sectors listed in the header and in a chain of further list sectors) has an entry per
// sector; every entry but 0xFFFFFFFF (free) is a sector in use.
std::optional<Shortfall> container(Bytes& b)
{
    constexpr quint32 kFree = 0xFFFFFFFF;
    constexpr quint32 kLastRegular = 0xFFFFFFFA;
    const qint64 size = b.size();
    if (size < 512)
        return runsTo(size, 512);
    const int shift = b.u16(30);
    if (shift != 9 && shift != 12)
        return std::nullopt;
    const qint64 sector = qint64(1) << shift;
    const auto place = [sector](quint32 s) { return (qint64(s) + 1) * sector; };
    const quint32 tableSectors = std::min<quint32>(b.u32(44), quint32(size / sector + 1));
    std::vector<quint32> table;
    for (int i = 0; i < 109 && table.size() < tableSectors; ++i)
        table.push_back(b.u32(76 + 4 * i));
    for (quint32 s = b.u32(68); s < kLastRegular && table.size() < tableSectors;) {
        if (place(s) + sector > size)
            return runsTo(size, place(s) + sector);
        for (qint64 i = 0; i + 1 < sector / 4 && table.size() < tableSectors; ++i)
            table.push_back(b.u32(place(s) + 4 * i));
        const quint32 next = b.u32(place(s) + sector - 4);
        s = next > s ? next : kFree;
    }
    qint64 end = 512;
    for (size_t k = 0; k < table.size(); ++k) {
        if (table[k] >= kLastRegular)
            continue;
        const qint64 at = place(table[k]);
        end = std::max(end, at + sector);
        if (at + sector > size)
            continue;
        for (qint64 i = 0; i < sector / 4; ++i) {
            if (b.u32(at + 4 * i) != kFree)
                end = std::max(end, place(quint32(k * (sector / 4) + i)) + sector);
        }
    }
    return runsTo(size, end);
}

qint64 streamSize(librevenge::RVNGInputStream& stream)
{
    if (stream.seek(0, librevenge::RVNG_SEEK_END) != 0)
        return -1;
    return stream.tell();
}

} // namespace

QString Shortfall::describe() const
{
    const QString ends = inContainer
                             ? QStringLiteral("its WordPerfect stream ends at byte %1").arg(fileEnd)
                             : QStringLiteral("the file ends at byte %1").arg(fileEnd);
    if (textBeyondEnd)
        return QStringLiteral("the document is damaged: %1, before its text, which would begin "
                              "at byte %2")
            .arg(ends)
            .arg(promisedEnd);
    if (promisedEnd >= 0)
        return QStringLiteral("the document is damaged: %1, but its contents run to byte %2")
            .arg(ends)
            .arg(promisedEnd);
    return QStringLiteral("the document is damaged: %1, inside a formatting code that begins at "
                          "byte %2")
        .arg(ends)
        .arg(codeStart);
}

std::optional<Shortfall> findShortfall(librevenge::RVNGInputStream& input, qint64 size)
{
    Bytes bytes(input, size);
    if (size >= 8 && bytes.u32(0) == 0xE011CFD0 && bytes.u32(4) == 0xE11AB1A1) {
        if (auto s = container(bytes))
            return s;
        static const char kMain[] = "PerfectOffice_MAIN";
        if (!input.isStructured() || !input.existsSubStream(kMain))
            return std::nullopt;
        const std::unique_ptr<librevenge::RVNGInputStream> main(input.getSubStreamByName(kMain));
        const qint64 mainSize = main ? streamSize(*main) : -1;
        if (mainSize <= 0)
            return std::nullopt;
        Bytes inner(*main, mainSize);
        auto s = wordPerfect(inner);
        if (s)
            s->inContainer = true;
        return s;
    }
    return wordPerfect(bytes);
}

} // namespace engine
