// Quillon: what a published file records of the document it was made from.
#include "Provenance.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

#include <openssl/crypto.h>
#include <openssl/evp.h>

namespace wire {
namespace {

const char kHtmlMeta[] = "<meta name=\"%1\" content=\"%2\">\n";
const char kBlockStart[] = "<biblioset relation=\"source\">";
const char kBlockEnd[] = "</biblioset>";
const char kSettingsInfo[] = "<releaseinfo role=\"publish-settings\">";

// SHA-256 by OpenSSL, which uses the processor's own instructions where there are some: an
// archive's documents and every output are hashed, and Qt's portable code takes ten times as
// long.
class Sha256 final {
public:
    Sha256() : m_context(EVP_MD_CTX_new()) { EVP_DigestInit_ex(m_context, sha256(), nullptr); }
    ~Sha256() { EVP_MD_CTX_free(m_context); }
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void add(QByteArrayView bytes) { EVP_DigestUpdate(m_context, bytes.data(), bytes.size()); }
    QString hex()
    {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        EVP_DigestFinal_ex(m_context, digest, &length);
        return QString::fromLatin1(
            QByteArray(reinterpret_cast<const char*>(digest), static_cast<int>(length)).toHex());
    }

private:
    // The digest, looked up once: a lookup by name each time costs more than hashing a small
    // file. OpenSSL's own start-up reads the system's configuration, registers every algorithm
    // and loads its error texts (about 5 million instructions, paid by every engine started for
    // one file); a digest needs none of it. Nothing else in these programs starts OpenSSL.
    static const EVP_MD* sha256()
    {
        static const EVP_MD* const md = [] {
            OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CONFIG | OPENSSL_INIT_NO_ADD_ALL_CIPHERS |
                                    OPENSSL_INIT_NO_ADD_ALL_DIGESTS |
                                    OPENSSL_INIT_NO_LOAD_CRYPTO_STRINGS,
                                nullptr);
            const EVP_MD* fetched = EVP_MD_fetch(nullptr, "SHA256", nullptr);
            return fetched ? fetched : EVP_sha256();
        }();
        return md;
    }

    EVP_MD_CTX* m_context;
};

// The characters of markup; the rest of a recorded text is plain.
QString escaped(const QString& text)
{
    QString out = text;
    return out.replace(u'&', QLatin1String("&amp;"))
        .replace(u'<', QLatin1String("&lt;"))
        .replace(u'>', QLatin1String("&gt;"))
        .replace(u'"', QLatin1String("&quot;"));
}

QString unescaped(QByteArrayView text)
{
    return QString::fromUtf8(text)
        .replace(QLatin1String("&quot;"), QLatin1String("\""))
        .replace(QLatin1String("&lt;"), QLatin1String("<"))
        .replace(QLatin1String("&gt;"), QLatin1String(">"))
        .replace(QLatin1String("&amp;"), QLatin1String("&"));
}

// The text between open and the next close at or after from; null when either is missing.
QString between(QByteArrayView head, QByteArrayView open, QByteArrayView close, qsizetype from = 0)
{
    const qsizetype start = head.indexOf(open, from);
    if (start < 0)
        return {};
    const qsizetype begin = start + open.size();
    const qsizetype end = head.indexOf(close, begin);
    return end < 0 ? QString() : unescaped(head.sliced(begin, end - begin));
}

// The length of the UTF-8 character at the start of bytes and its code point; 0 when the bytes
// there are not one.
int utf8Character(QByteArrayView bytes, char32_t& code)
{
    const auto b = [&bytes](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = b(0);
    int length = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07;
    } else {
        return 0;
    }
    if (bytes.size() < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((b(i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (b(i) & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

bool keptAsIs(char32_t c)
{
    const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
    const bool nonCharacter = (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE;
    return !control && !nonCharacter && c != U'%';
}

} // namespace

bool Provenance::describe(int fd, bool withHash)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    size = st.st_size;
    modified = modifiedText(st.st_mtim);
    if (!withHash)
        return true;
    Sha256 hash;
    char buffer[65536];
    off_t offset = 0;
    for (;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        hash.add(QByteArrayView(buffer, n));
        offset += n;
    }
    sha256 = hash.hex();
    return true;
}

QString Provenance::html() const
{
    QString out = QString::fromLatin1(kHtmlMeta).arg(QLatin1String("source"), escaped(source));
    if (size >= 0)
        out += QString::fromLatin1(kHtmlMeta).arg(QLatin1String("source-size")).arg(size);
    if (!modified.isEmpty())
        out += QString::fromLatin1(kHtmlMeta).arg(QLatin1String("source-modified"), modified);
    if (!sha256.isEmpty())
        out += QString::fromLatin1(kHtmlMeta).arg(QLatin1String("source-sha256"), sha256);
    return out +
           QString::fromLatin1(kHtmlMeta).arg(QLatin1String("publish-settings"), escaped(settings));
}

QString Provenance::docBook() const
{
    QString out = QLatin1String(kBlockStart) + QLatin1String("\n<bibliosource>") + escaped(source) +
                  QLatin1String("</bibliosource>\n");
    if (size >= 0)
        out += QStringLiteral("<bibliomisc role=\"size\">%1</bibliomisc>\n").arg(size);
    if (!modified.isEmpty())
        out += QStringLiteral("<date role=\"modified\">%1</date>\n").arg(modified);
    if (!sha256.isEmpty())
        out += QStringLiteral("<biblioid class=\"other\" otherclass=\"sha256\">%1</biblioid>\n")
                   .arg(sha256);
    out += QLatin1String(kBlockEnd) + QLatin1Char('\n');
    if (!generator.isEmpty())
        out += QStringLiteral("<releaseinfo role=\"generator\">%1</releaseinfo>\n")
                   .arg(escaped(generator));
    return out + QLatin1String(kSettingsInfo) + escaped(settings) +
           QLatin1String("</releaseinfo>\n");
}

Provenance Provenance::read(QByteArrayView head)
{
    Provenance p;
    const qsizetype block = head.indexOf(QByteArrayView(kBlockStart));
    if (block >= 0) {
        const qsizetype end = head.indexOf(QByteArrayView(kBlockEnd), block);
        if (end < 0)
            return p;
        const QByteArrayView info = head.sliced(block, end - block);
        p.source = between(info, "<bibliosource>", "</bibliosource>");
        const QString size = between(info, "<bibliomisc role=\"size\">", "</bibliomisc>");
        p.size = size.isEmpty() ? -1 : size.toLongLong();
        p.modified = between(info, "<date role=\"modified\">", "</date>");
        p.sha256 = between(info, "<biblioid class=\"other\" otherclass=\"sha256\">", "</biblioid>");
        p.generator = between(head, "<releaseinfo role=\"generator\">", "</releaseinfo>", end);
        p.settings = between(head, kSettingsInfo, "</releaseinfo>", end);
        return p;
    }
    // The HTML head: the provenance comes before anything taken from the document.
    const qsizetype headEnd = head.indexOf("</head>");
    if (headEnd >= 0)
        head = head.first(headEnd);
    auto meta = [head](const char* name) {
        return between(head, QByteArray("<meta name=\"") + name + "\" content=\"", "\">");
    };
    p.source = meta("source");
    const QString size = meta("source-size");
    p.size = size.isEmpty() ? -1 : size.toLongLong();
    p.modified = meta("source-modified");
    p.sha256 = meta("source-sha256");
    p.generator = meta("generator");
    p.settings = meta("publish-settings");
    return p;
}

QString Provenance::pathText(QByteArrayView path)
{
    QByteArray run;
    for (qsizetype i = 0; i < path.size();) {
        char32_t code = 0;
        const int length = utf8Character(path.sliced(i), code);
        if (length > 0 && keptAsIs(code)) {
            run.append(path.sliced(i, length));
            i += length;
            continue;
        }
        for (int k = 0; k < qMax(length, 1); ++k) {
            run += '%';
            run += QByteArray::number(static_cast<unsigned char>(path[i + k]), 16)
                       .toUpper()
                       .rightJustified(2, '0');
        }
        i += qMax(length, 1);
    }
    return QString::fromUtf8(run);
}

QString Provenance::modifiedText(const timespec& time)
{
    struct tm utc {};
    const time_t seconds = time.tv_sec;
    ::gmtime_r(&seconds, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%09ldZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<long>(time.tv_nsec));
    return QString::fromLatin1(text);
}

QString Provenance::sha256Hex(QByteArrayView bytes)
{
    Sha256 hash;
    hash.add(bytes);
    return hash.hex();
}

} // namespace wire
