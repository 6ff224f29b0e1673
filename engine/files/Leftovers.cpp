// Quillon engine: notes of unfinished publishes, so the files of an engine that was ended
// mid-publish are removed.
#include "Leftovers.h"

#include "EngineContract.h"
#include "WriteAll.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <climits>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace engine {
namespace {

QByteArray hostName()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return QByteArrayLiteral("localhost");
    return QByteArray(name).replace('/', '_');
}

// A process that is gone; one that exists under another user counts as alive.
bool processGone(pid_t pid)
{
    if (pid <= 0)
        return false;
    if (pid == ::getpid())
        return true; // an earlier process with this number: this one has no notes yet
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

// The entries of an open folder; the descriptor stays open.
template <typename Visit> void forEachEntry(int folderFd, Visit visit)
{
    const int copy = ::dup(folderFd);
    DIR* dir = copy >= 0 ? ::fdopendir(copy) : nullptr;
    if (!dir) {
        if (copy >= 0)
            ::close(copy);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            visit(name);
    }
    ::closedir(dir);
}

// Removes the entries of folderFd whose names end with suffix: files and links, and folders
// (made by a publish, holding only its files) with what they hold. Links are never followed.
void removeMarked(int folderFd, const QByteArray& suffix)
{
    QList<QByteArray> marked;
    forEachEntry(folderFd, [&](const QByteArray& name) {
        if (name.endsWith(suffix))
            marked << name;
    });
    for (const QByteArray& name : marked) {
        struct stat st {};
        if (::fstatat(folderFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (!S_ISDIR(st.st_mode)) {
            ::unlinkat(folderFd, name.constData(), 0);
            continue;
        }
        const int inner =
            ::openat(folderFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (inner < 0)
            continue;
        forEachEntry(inner, [inner](const QByteArray& file) {
            ::unlinkat(inner, file.constData(), 0); // folders inside (never made) stay
        });
        ::close(inner);
        ::unlinkat(folderFd, name.constData(), AT_REMOVEDIR);
    }
}

void removeAbandonedBy(const QByteArray& token, const QByteArray& note)
{
    const QList<QByteArray> fields = note.split('\0');
    if (fields.size() < 2 || fields.at(0).isEmpty())
        return;
    const int folder = ::open(fields.at(0).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return;
    const QByteArray suffix = wire::temporary::suffix(token);
    removeMarked(folder, suffix);
    if (!fields.at(1).isEmpty()) {
        const int companion = ::openat(folder, fields.at(1).constData(),
                                       O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (companion >= 0) {
            removeMarked(companion, suffix);
            ::close(companion);
        }
    }
    ::close(folder);
}

} // namespace

QString Leftovers::notesFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/quillon-engine/unfinished");
}

QByteArray Leftovers::note(const QByteArray& folder, const QByteArray& companion,
                           const QByteArray& token)
{
    static const QByteArray notes = QFile::encodeName(notesFolder());
    static const bool made = QDir().mkpath(notesFolder());
    if (!made)
        return {};
    const QByteArray path = notes + '/' + token + '@' + hostName();
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return {};
    const bool written = fs::writeAll(fd, folder + '\0' + companion + '\0');
    ::close(fd);
    if (!written) {
        ::unlink(path.constData());
        return {};
    }
    return path;
}

void Leftovers::forget(const QByteArray& notePath)
{
    if (!notePath.isEmpty())
        ::unlink(notePath.constData());
}

void Leftovers::removeAbandoned()
{
    const QByteArray notes = QFile::encodeName(notesFolder());
    const int folder = ::open(notes.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return;
    const QByteArray host = '@' + hostName();
    QList<QByteArray> abandoned;
    forEachEntry(folder, [&](const QByteArray& name) {
        // "<mark>@<host>": notes of other machines sharing the home are theirs.
        if (!name.endsWith(host))
            return;
        const std::optional<qint64> pid =
            wire::temporary::pidOf(name.left(name.size() - host.size()));
        if (pid && processGone(static_cast<pid_t>(*pid)))
            abandoned << name;
    });
    for (const QByteArray& name : abandoned) {
        QFile file(QFile::decodeName(notes + '/' + name));
        if (file.open(QIODevice::ReadOnly))
            removeAbandonedBy(name.left(name.size() - host.size()), file.read(65536));
        ::unlinkat(folder, name.constData(), 0);
    }
    ::close(folder);
}

} // namespace engine
