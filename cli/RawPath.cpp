// quillon-convert: paths as the bytes the system gives.
#include "RawPath.h"

#include <QList>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <unistd.h>

namespace rawpath {
namespace {

// The length of the UTF-8 character at the start of s (RFC 3629: no overlong forms, no
// surrogates, nothing above U+10FFFF), or 0 when s does not start with one.
qsizetype utf8Length(const unsigned char* s, qsizetype left)
{
    const unsigned char c = s[0];
    if (c < 0x80)
        return 1;
    qsizetype n = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0)
            low = 0xA0;
        else if (c == 0xED)
            high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0)
            low = 0x90;
        else if (c == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (left < n || s[1] < low || s[1] > high)
        return 0;
    for (qsizetype i = 2; i < n; ++i) {
        if (s[i] < 0x80 || s[i] > 0xBF)
            return 0;
    }
    return n;
}

// Calls character(start, length) for each UTF-8 character and stray(byte) for each byte that is
// not part of one.
template <typename Character, typename Stray>
void decode(QByteArrayView bytes, Character character, Stray stray)
{
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        const qsizetype n = utf8Length(s + i, size - i);
        if (n == 0) {
            stray(s[i]);
            ++i;
        } else {
            character(bytes.data() + i, n);
            i += n;
        }
    }
}

// Upper case for "%XX" as URLs have it, lower case for JSON and C escapes.
void appendHex(QByteArray& out, const char* prefix, unsigned char byte, bool upper = false)
{
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    out.append(prefix);
    out.append(digits[byte >> 4]);
    out.append(digits[byte & 15]);
}

} // namespace

QByteArray join(const QByteArray& folder, const QByteArray& name)
{
    if (folder.isEmpty())
        return name;
    if (name.isEmpty())
        return folder;
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

QByteArray absolute(const QByteArray& path)
{
    QByteArray full = path;
    if (!path.startsWith('/')) {
        char cwd[PATH_MAX];
        full = join(::getcwd(cwd, sizeof cwd) ? QByteArray(cwd) : QByteArray("/"), path);
    }
    QList<QByteArray> parts;
    for (const QByteArray& part : full.split('/')) {
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    return '/' + parts.join('/');
}

QByteArray canonical(const QByteArray& path)
{
    char* resolved = ::realpath(path.constData(), nullptr);
    if (!resolved)
        return {};
    QByteArray result(resolved);
    std::free(resolved);
    return result;
}

QByteArray relativeTo(const QByteArray& path, const QByteArray& folder)
{
    if (path == folder)
        return QByteArray("");
    if (folder == "/")
        return path.mid(1);
    if (path.startsWith(folder) && path.at(folder.size()) == '/')
        return path.mid(folder.size() + 1);
    return {};
}

QByteArray fileName(const QByteArray& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray() : slash == 0 ? QByteArray("/") : path.left(slash);
}

void removeAll(const QByteArray& path)
{
    if (::unlink(path.constData()) == 0 || errno != EISDIR)
        return;
    if (DIR* dir = ::opendir(path.constData())) {
        while (const dirent* d = ::readdir(dir)) {
            const QByteArray name(d->d_name);
            if (name != "." && name != "..")
                removeAll(join(path, name));
        }
        ::closedir(dir);
    }
    ::rmdir(path.constData());
}

bool isUtf8(QByteArrayView bytes)
{
    bool valid = true;
    decode(
        bytes, [](const char*, qsizetype) {}, [&valid](unsigned char) { valid = false; });
    return valid;
}

QString nameText(QByteArrayView name)
{
    if (isUtf8(name))
        return QString::fromUtf8(name);
    QByteArray out;
    decode(
        name,
        [&out](const char* s, qsizetype n) {
            if (n == 1 && *s == '%')
                out.append("%25");
            else
                out.append(s, n);
        },
        [&out](unsigned char byte) { appendHex(out, "%", byte, true); });
    return QString::fromUtf8(out);
}

void appendJson(QByteArray& out, QByteArrayView bytes)
{
    out.append('"');
    decode(
        bytes,
        [&out](const char* s, qsizetype n) {
            const auto c = static_cast<unsigned char>(*s);
            if (n > 1 || (c >= 0x20 && c != '"' && c != '\\')) {
                out.append(s, n);
                return;
            }
            switch (c) {
            case '"':
                out.append("\\\"");
                break;
            case '\\':
                out.append("\\\\");
                break;
            case '\n':
                out.append("\\n");
                break;
            case '\t':
                out.append("\\t");
                break;
            case '\r':
                out.append("\\r");
                break;
            default:
                appendHex(out, "\\u00", c);
            }
        },
        [&out](unsigned char byte) { appendHex(out, "\\udc", byte); });
    out.append('"');
}

QByteArray display(QByteArrayView bytes)
{
    QByteArray out;
    decode(
        bytes,
        [&out](const char* s, qsizetype n) {
            const auto c = static_cast<unsigned char>(*s);
            if (n == 1 && (c < 0x20 || c == 0x7F))
                appendHex(out, "\\x", c);
            else
                out.append(s, n);
        },
        [&out](unsigned char byte) { appendHex(out, "\\x", byte); });
    return out;
}

} // namespace rawpath
