// Quillon engine: notes of unfinished publishes, so the files of an engine that was ended
// mid-publish are removed.
#include "Leftovers.h"

#include "EngineContract.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QRandomGenerator>

#include <mutex>

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

// A note is "folder\0companion\0token\0", perhaps followed by what a longer note left there; a
// blank one starts with "\0". Notes written one file per publish have no token: the file's name
// is it.
void removeAbandonedBy(QByteArray token, const QByteArray& note)
{
    const QList<QByteArray> fields = note.split('\0');
    if (fields.size() < 2 || fields.at(0).isEmpty())
        return;
    if (fields.size() > 3 && wire::temporary::pidOf(fields.at(2)))
        token = fields.at(2);
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

// The note files of this process: open, and those free for the next publish.
class NoteFiles final {
public:
    ~NoteFiles()
    {
        if (m_owner != ::getpid())
            return; // a forked child's copy: the files are its parent's
        for (const File& file : std::as_const(m_files)) {
            ::unlink(file.path.constData());
            ::close(file.fd);
        }
    }

    int take()
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        adopt();
        if (!m_free.isEmpty())
            return m_free.takeLast();
        static const QByteArray notes = QFile::encodeName(Leftovers::notesFolder());
        static const bool made = QDir().mkpath(Leftovers::notesFolder());
        if (!made)
            return -1;
        const QByteArray path =
            notes + '/' +
            wire::temporary::mark(::getpid(), QRandomGenerator::global()->generate()) + '@' +
            hostName();
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0)
            m_files.append({fd, path});
        return fd;
    }

    void give(int fd)
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        adopt();
        for (const File& file : std::as_const(m_files)) {
            if (file.fd == fd) {
                m_free.append(fd);
                return;
            }
        }
    }

private:
    struct File {
        int fd;
        QByteArray path;
    };

    // After a fork the files are the parent's: the child makes its own.
    void adopt()
    {
        if (m_owner == ::getpid())
            return;
        for (const File& file : std::as_const(m_files))
            ::close(file.fd);
        m_files.clear();
        m_free.clear();
        m_owner = ::getpid();
    }

    std::mutex m_lock;
    pid_t m_owner = ::getpid();
    QList<File> m_files;
    QList<int> m_free;
};

NoteFiles& noteFiles()
{
    static NoteFiles files;
    return files;
}

} // namespace

QString Leftovers::notesFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/quillon-engine/unfinished");
}

int Leftovers::note(const QByteArray& folder, const QByteArray& companion, const QByteArray& token)
{
    const int fd = noteFiles().take();
    if (fd < 0)
        return -1;
    const QByteArray text = folder + '\0' + companion + '\0' + token + '\0';
    if (::pwrite(fd, text.constData(), size_t(text.size()), 0) != text.size()) {
        forget(fd);
        return -1;
    }
    return fd;
}

void Leftovers::forget(int note)
{
    if (note < 0)
        return;
    // A note that starts with "\0" names nothing; its file waits for the next publish.
    if (::pwrite(note, "", 1, 0) == 1)
        noteFiles().give(note);
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
