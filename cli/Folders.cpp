// quillon-convert: folders held open, and files reached relative to them.
#include "Folders.h"

#include <QList>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cli {

Folder::~Folder()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QByteArray Folder::procPath() const
{
    static const QByteArray prefix = "/proc/" + QByteArray::number(::getpid()) + "/fd/";
    return prefix + QByteArray::number(m_fd);
}

namespace folders {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Walks the folders of relative below folder to its last component, calling last(fd, name) on
// the folder that holds it. Components that are empty or "." are skipped; ".." is refused.
template <typename Last> int walk(int folder, const QByteArray& relative, bool make, Last last)
{
    const QList<QByteArray> parts = relative.split('/');
    int at = folder;
    int result = -1;
    int error = 0;
    qsizetype end = parts.size();
    while (end > 0 && (parts.at(end - 1).isEmpty() || parts.at(end - 1) == "."))
        --end;
    for (qsizetype i = 0; i < end; ++i) {
        const QByteArray& part = parts.at(i);
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..") {
            error = EACCES;
            break;
        }
        if (i + 1 == end) {
            result = last(at, part);
            error = result < 0 ? errno : 0;
            break;
        }
        if (make && ::mkdirat(at, part.constData(), 0777) != 0 && errno != EEXIST) {
            error = errno;
            break;
        }
        const int next = ::openat(at, part.constData(), kFolderFlags);
        error = errno;
        if (at != folder)
            ::close(at);
        at = next;
        if (at < 0)
            break;
    }
    if (at >= 0 && at != folder)
        ::close(at);
    if (end == 0) // the folder itself
        result = last(folder, QByteArray("."));
    errno = result < 0 ? (error ? error : ENOENT) : 0;
    return result;
}

} // namespace

int openBelow(int folder, const QByteArray& relative, int flags)
{
    return walk(folder, relative, false, [flags](int at, const QByteArray& name) {
        return ::openat(at, name.constData(), flags | O_NOFOLLOW | O_CLOEXEC);
    });
}

int makeBelow(int root, const QByteArray& relative)
{
    return walk(root, relative, true, [](int at, const QByteArray& name) {
        if (name != "." && ::mkdirat(at, name.constData(), 0777) != 0 && errno != EEXIST)
            return -1;
        return ::openat(at, name.constData(), kFolderFlags);
    });
}

void removeAt(int folder, const QByteArray& name)
{
    if (::unlinkat(folder, name.constData(), 0) == 0 || (errno != EISDIR && errno != EPERM))
        return;
    const int inner = ::openat(folder, name.constData(), kFolderFlags);
    if (inner < 0)
        return;
    if (DIR* dir = ::fdopendir(::dup(inner))) {
        while (const dirent* d = ::readdir(dir)) {
            const QByteArray entry(d->d_name);
            if (entry != "." && entry != "..")
                removeAt(inner, entry);
        }
        ::closedir(dir);
    }
    ::close(inner);
    ::unlinkat(folder, name.constData(), AT_REMOVEDIR);
}

} // namespace folders
} // namespace cli
