// Quillon engine: reads a WordPerfect document into the model.
#include "DocumentReader.h"

#include "EngineError.h"
#include "FileExtent.h"
#include "Memory.h"
#include "ModelBuilder.h"

#include <QFile>
#include <QFileInfo>

#include <librevenge-stream/librevenge-stream.h>
#include <libwpd/libwpd.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <new>
#include <optional>

namespace engine {
namespace {

constexpr qint64 kMaxInMemory = 256 * 1024 * 1024;

// What the first bytes say about a file libwpd does not accept, for a description that tells
// the user what the file really is.
QString whatItIs(const QByteArray& head)
{
    if (head.isEmpty())
        return QStringLiteral("the file is empty");
    if (head.startsWith("\xFFWPC")) {
        if (head.size() < 16)
            return QStringLiteral("the file is truncated: its WordPerfect header is incomplete");
        const int product = static_cast<unsigned char>(head.at(8));
        const int type = static_cast<unsigned char>(head.at(9));
        if (type == 0x16)
            return QStringLiteral("it is a WordPerfect Graphics (WPG) picture, not a document");
        if (type == 0x0F || product == 0x0F)
            return QStringLiteral("it is a Corel Presentations file, not a document");
        if (type != 0x0A)
            return QStringLiteral(
                       "it is a WordPerfect-family file of another kind (product %1, type %2), "
                       "not a document")
                .arg(product)
                .arg(type);
        return QStringLiteral("it is a WordPerfect document of a version or kind that cannot be "
                              "read");
    }
    if (head.startsWith("\xD0\xCF\x11\xE0"))
        return QStringLiteral("it is an OLE2 compound file that holds no WordPerfect document");
    return QStringLiteral("it is not a WordPerfect document");
}

EngineError unreadable(const QString& name, const QString& why)
{
    return {EngineError::Kind::Unreadable,
            QStringLiteral("Cannot open \"%1\": %2.").arg(name, why)};
}

EngineError passwordProtected(const QString& name, bool supported)
{
    return {
        EngineError::Kind::PasswordProtected,
        supported
            ? QStringLiteral("Cannot open \"%1\": the document is password-protected.").arg(name)
            : QStringLiteral("Cannot open \"%1\": the document is password-protected with an "
                             "encryption that cannot be read.")
                  .arg(name)};
}

// Where reading stopped: libwpd gives up on a damaged document by reading past what there is
// (a truncated file, a length or pointer that leads beyond the end) and reports a "file access
// error"; the stream remembers where the last read that came up short stopped, and how far such
// reads meant to go.
class ReadTracker {
public:
    virtual ~ReadTracker() = default;
    long lastShortRead() const { return m_lastShortRead; }
    long furthestRead() const { return m_furthestRead; }
    void forget() { m_lastShortRead = -1, m_furthestRead = 0; }

protected:
    long m_lastShortRead = -1;
    long m_furthestRead = 0;
};

template <typename Stream> class TrackedStream final : public Stream, public ReadTracker {
public:
    using Stream::Stream;
    // Only a read that comes up short (at the end of the data) asks where it was. Only such a
    // read can reach past the end, which is all furthestRead is asked.
    const unsigned char* read(unsigned long numBytes, unsigned long& numBytesRead) override
    {
        const unsigned char* data = Stream::read(numBytes, numBytesRead);
        if (numBytesRead < numBytes) {
            m_lastShortRead = Stream::tell();
            m_furthestRead =
                std::max(m_furthestRead, m_lastShortRead - static_cast<long>(numBytesRead) +
                                             static_cast<long>(numBytes));
        }
        return data;
    }
};

// A document in memory, read where it lies. libwpd reads a byte at a time (millions of reads
// for a document with pictures), so reading is a bounds check and a pointer; the bytes must
// outlive the stream. An OLE2 container's streams are found by a string stream over the same
// bytes, made when first asked.
class MemoryStream final : public librevenge::RVNGInputStream, public ReadTracker {
public:
    explicit MemoryStream(const QByteArray& bytes)
        : m_data(reinterpret_cast<const unsigned char*>(bytes.constData())),
          m_size(static_cast<long>(bytes.size()))
    {
    }

    const unsigned char* read(unsigned long numBytes, unsigned long& numBytesRead) override
    {
        const unsigned long left = static_cast<unsigned long>(m_size - m_offset);
        numBytesRead = std::min(numBytes, left);
        if (numBytesRead < numBytes) {
            m_lastShortRead = m_offset + static_cast<long>(numBytesRead);
            const unsigned long wanted = std::min<unsigned long>(
                numBytes, static_cast<unsigned long>(std::numeric_limits<long>::max() - m_offset));
            m_furthestRead = std::max(m_furthestRead, m_offset + static_cast<long>(wanted));
        }
        if (numBytesRead == 0)
            return nullptr;
        const unsigned char* data = m_data + m_offset;
        m_offset += static_cast<long>(numBytesRead);
        return data;
    }

    // Outside the data, the position stops at its nearer end and the seek says it failed.
    int seek(long offset, librevenge::RVNG_SEEK_TYPE seekType) override
    {
        long to = offset;
        if (seekType == librevenge::RVNG_SEEK_CUR)
            to = m_offset + offset;
        else if (seekType == librevenge::RVNG_SEEK_END)
            to = m_size + offset;
        m_offset = std::clamp(to, 0L, m_size);
        return to == m_offset ? 0 : -1;
    }

    long tell() override { return m_offset; }
    bool isEnd() override { return m_offset >= m_size; }

    bool isStructured() override { return structure().isStructured(); }
    unsigned subStreamCount() override { return structure().subStreamCount(); }
    const char* subStreamName(unsigned id) override { return structure().subStreamName(id); }
    bool existsSubStream(const char* name) override { return structure().existsSubStream(name); }
    librevenge::RVNGInputStream* getSubStreamByName(const char* name) override
    {
        return structure().getSubStreamByName(name);
    }
    librevenge::RVNGInputStream* getSubStreamById(unsigned id) override
    {
        return structure().getSubStreamById(id);
    }

private:
    librevenge::RVNGStringStream& structure()
    {
        if (!m_structure)
            m_structure = std::make_unique<librevenge::RVNGStringStream>(
                m_data, static_cast<unsigned int>(m_size));
        return *m_structure;
    }

    const unsigned char* m_data;
    long m_size;
    long m_offset = 0;
    std::unique_ptr<librevenge::RVNGStringStream> m_structure;
};

// "the document is damaged (reading stopped at byte 5120 of 8000)": where, when it is known.
QString damaged(librevenge::RVNGInputStream& input, const ReadTracker& tracker, qint64 size)
{
    long at = tracker.lastShortRead();
    if (at < 0)
        at = input.tell();
    if (at < 0 || size <= 0 || at > size)
        return QStringLiteral("the document is damaged");
    if (at == size)
        return QStringLiteral("the document is damaged or truncated: it ends (after %1 bytes) "
                              "where more was expected")
            .arg(size);
    return QStringLiteral("the document is damaged (reading stopped at byte %1 of %2)")
        .arg(at)
        .arg(size);
}

bool isOle2(const QByteArray& head)
{
    return head.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
}

// A refusal says that the file is cut short when it is recognisably a WordPerfect document: its
// header says so, or its OLE2 container names the WordPerfect stream.
bool judgedByStructure(librevenge::RVNGInputStream& input, const QByteArray& head)
{
    if (head.startsWith("\xFFWPC"))
        return head.size() >= 16 && head.at(9) == 0x0A;
    return isOle2(head) && input.isStructured() && input.existsSubStream("PerfectOffice_MAIN");
}

// libwpd does not recognise a 4.2 document (it has no header) that ends inside a formatting
// code: its formatting does not add up. It is one when libwpd recognises what comes before that
// code.
std::optional<Shortfall> cutInsideCode(const QByteArray& bytes)
{
    if (bytes.startsWith("\xFFWPC") || isOle2(bytes))
        return std::nullopt;
    librevenge::RVNGStringStream whole(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                       static_cast<unsigned int>(bytes.size()));
    std::optional<Shortfall> cut;
    try {
        cut = findShortfall(whole, bytes.size());
        if (!cut || cut->codeStart <= 0)
            return std::nullopt;
        librevenge::RVNGStringStream before(
            reinterpret_cast<const unsigned char*>(bytes.constData()),
            static_cast<unsigned int>(cut->codeStart));
        if (libwpd::WPDocument::isFileFormatSupported(&before) != libwpd::WPD_CONFIDENCE_EXCELLENT)
            return std::nullopt;
    } catch (...) {
        return std::nullopt;
    }
    return cut;
}

std::optional<Shortfall> shortfallOf(librevenge::RVNGInputStream& input, qint64 size)
{
    std::optional<Shortfall> shortfall;
    try {
        shortfall = findShortfall(input, size);
    } catch (...) {
        // A structure that cannot even be read this far is left to libwpd to judge.
    }
    input.seek(0, librevenge::RVNG_SEEK_SET);
    return shortfall;
}

Document parse(librevenge::RVNGInputStream& input, ReadTracker& tracker, qint64 size,
               const QByteArray& head, const QString& name, ObjectObserver* observer)
{
    if (head.isEmpty())
        throw unreadable(name, whatItIs(head));
    libwpd::WPDConfidence confidence = libwpd::WPD_CONFIDENCE_NONE;
    Document document;
    libwpd::WPDResult result = libwpd::WPD_UNKNOWN_ERROR;
    std::optional<Shortfall> shortfall;
    bool stopped = false; // libwpd gave up midway
    try {
        confidence = libwpd::WPDocument::isFileFormatSupported(&input);
        switch (confidence) {
        case libwpd::WPD_CONFIDENCE_NONE:
            if (judgedByStructure(input, head)) {
                if (const auto cut = shortfallOf(input, size))
                    throw unreadable(name, cut->describe());
            } else if (isOle2(head)) {
                // Cut short before its directory, perhaps: what it held cannot be told.
                if (const auto cut = shortfallOf(input, size); cut && cut->promisedEnd > size)
                    throw unreadable(
                        name, QStringLiteral("it is an OLE2 compound file cut short (the file "
                                             "ends at byte %1, but its contents run to byte "
                                             "%2), in which no WordPerfect document can be found")
                                  .arg(size)
                                  .arg(cut->promisedEnd));
            }
            throw unreadable(name, whatItIs(head));
        case libwpd::WPD_CONFIDENCE_UNSUPPORTED_ENCRYPTION:
            throw passwordProtected(name, false);
        case libwpd::WPD_CONFIDENCE_SUPPORTED_ENCRYPTION:
            throw passwordProtected(name, true);
        case libwpd::WPD_CONFIDENCE_EXCELLENT:
            break;
        }
        // A file that ends before its text begins holds nothing that could be read.
        shortfall = shortfallOf(input, size);
        if (shortfall && shortfall->textBeyondEnd)
            throw unreadable(name, shortfall->describe());
        tracker.forget();
        ModelBuilder builder(document, observer);
        try {
            result = libwpd::WPDocument::parse(&input, &builder, nullptr);
        } catch (const std::bad_alloc&) {
            throw;
        } catch (...) {
            stopped = true;
        }
        builder.finish();
    } catch (const EngineError&) {
        throw;
    } catch (...) {
        if (memory::ranOut())
            throw EngineError::outOfMemory(name);
        throw unreadable(name, damaged(input, tracker, size));
    }

    // libwpd reports an allocation that failed as a parse error, or gives up with an exception.
    if ((stopped || result != libwpd::WPD_OK) && memory::ranOut())
        throw EngineError::outOfMemory(name);
    // Reading that went on past the end followed the document's structure beyond the file.
    if (!shortfall && tracker.furthestRead() > size) {
        shortfall = Shortfall();
        shortfall->fileEnd = size;
        shortfall->promisedEnd = tracker.furthestRead();
    }
    if (!stopped && result == libwpd::WPD_OK) {
        if (shortfall)
            document.damage = shortfall->describe();
        return document;
    }
    // A file cut short keeps what was read before its end, when there is any.
    if (shortfall && !document.isBlank()) {
        document.damage = shortfall->describe();
        return document;
    }
    switch (result) {
    case libwpd::WPD_PASSWORD_MISSMATCH_ERROR:
        throw passwordProtected(name, true);
    case libwpd::WPD_UNSUPPORTED_ENCRYPTION_ERROR:
        throw passwordProtected(name, false);
    case libwpd::WPD_OLE_ERROR:
        throw unreadable(name, QStringLiteral("its OLE2 container is damaged"));
    case libwpd::WPD_OK:                // libwpd stopped with an exception
    case libwpd::WPD_FILE_ACCESS_ERROR: // the file was read into memory (or is read as needed)
    case libwpd::WPD_PARSE_ERROR:
    case libwpd::WPD_UNKNOWN_ERROR:
        break;
    }
    throw unreadable(name, shortfall ? shortfall->describe() : damaged(input, tracker, size));
}

} // namespace

Document DocumentReader::readFile(const QString& path, ObjectObserver* observer,
                                  const std::function<void(const QByteArray&)>& whole)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw EngineError::fileNotFound(path);
    if (info.isDir())
        throw unreadable(path, QStringLiteral("it is a folder, not a file"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw unreadable(
            path,
            QStringLiteral("the file cannot be opened for reading (%1)").arg(file.errorString()));
    // A pipe or a device (a process substitution, /dev/zero) has no size: it is read to its end
    // within the memory budget, and one that gives more is refused.
    if (!info.isFile()) {
        // Read straight into the buffer, which grows by doubling but never past the budget and
        // one byte: that byte, if it comes, refuses the input without reading on.
        QByteArray bytes;
        for (qint64 n = 1; n > 0 && bytes.size() <= kMaxInMemory;) {
            if (bytes.size() == bytes.capacity())
                bytes.reserve(std::min<qint64>(std::max<qint64>(2 * bytes.capacity(), 65536),
                                               kMaxInMemory + 1));
            const qsizetype at = bytes.size();
            bytes.resize(bytes.capacity());
            n = file.read(bytes.data() + at, bytes.size() - at);
            bytes.resize(at + std::max<qint64>(n, 0));
        }
        if (bytes.size() > kMaxInMemory)
            throw unreadable(path, QStringLiteral("it is not a regular file, and it gives "
                                                  "more than 256 MiB"));
        return readBytes(bytes, path, observer);
    }
    // libwpd reads a byte at a time: from memory that costs nothing, through stdio it costs a
    // library call per byte. Files beyond the memory budget are read from disk.
    if (file.size() <= kMaxInMemory) {
        const QByteArray bytes = file.readAll();
        if (bytes.size() == file.size()) {
            if (whole)
                whole(bytes);
            return readBytes(bytes, path, observer);
        }
    }
    const QByteArray head = file.read(16);
    const qint64 size = file.size();
    file.close();
    TrackedStream<librevenge::RVNGFileStream> input(QFile::encodeName(path).constData());
    return parse(input, input, size, head, path, observer);
}

bool DocumentReader::isDocument(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return true;
    const QByteArray head = file.read(16);
    file.close();
    if (head.isEmpty())
        return false;
    try {
        librevenge::RVNGFileStream input(QFile::encodeName(path).constData());
        if (libwpd::WPDocument::isFileFormatSupported(&input) != libwpd::WPD_CONFIDENCE_NONE)
            return true;
        // A WordPerfect document whose container is cut short.
        if (isOle2(head) && input.isStructured() && input.existsSubStream("PerfectOffice_MAIN"))
            return true;
    } catch (...) {
        return true;
    }
    // A WordPerfect document libwpd turns down: its header cut short, or a version it cannot read.
    if (head.startsWith("\xFFWPC"))
        return head.size() < 16 || static_cast<unsigned char>(head.at(9)) == 0x0A;
    // A 4.2 document cut inside a formatting code.
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly) || file.size() > kMaxInMemory)
        return false;
    return cutInsideCode(file.read(kMaxInMemory)).has_value();
}

Document DocumentReader::readBytes(const QByteArray& bytes, const QString& name,
                                   ObjectObserver* observer)
{
    // A WordPerfect graphic after the header: a picture the document embeds.
    if (observer) {
        for (qsizetype at = bytes.indexOf("\xFFWPC", 16); at > 0 && at + 10 < bytes.size();
             at = bytes.indexOf("\xFFWPC", at + 1)) {
            if (bytes.at(at + 9) == 0x16) {
                observer->objectsAhead();
                break;
            }
        }
    }
    MemoryStream input(bytes);
    try {
        return parse(input, input, bytes.size(), bytes.left(16), name, observer);
    } catch (const EngineError& e) {
        const std::optional<Shortfall> cut =
            e.kind() == EngineError::Kind::Unreadable ? cutInsideCode(bytes) : std::nullopt;
        if (!cut)
            throw;
        // What comes before the code that was cut is read as the document it is.
        const QByteArray before = bytes.left(cut->codeStart);
        MemoryStream prefix(before);
        Document document = parse(prefix, prefix, before.size(), before.left(16), name, observer);
        if (document.isBlank())
            throw unreadable(name, cut->describe());
        document.damage = cut->describe();
        return document;
    }
}

} // namespace engine
