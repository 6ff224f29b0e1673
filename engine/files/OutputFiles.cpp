// Quillon engine: the files one publish writes, put in place together or not at all.
#include "OutputFiles.h"

#include "EngineError.h"
#include "Leftovers.h"
#include "Provenance.h"
#include "WriteAll.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace engine {
namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Creates name in folderFd (never through a link, never over an existing entry), with the
// permissions of the regular file `keepModeOf` when there is one, and writes bytes to it.
// Returns 0, or the error; a file that was created stays for the caller to remove.
int createAndWrite(int folderFd, const QByteArray& name, const QByteArray& keepModeOf,
                   const QByteArray& bytes, bool* created)
{
    *created = false;
    const int fd = ::openat(folderFd, name.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    *created = true;
    struct stat existing {};
    bool ok = true;
    if (!keepModeOf.isEmpty() &&
        ::fstatat(folderFd, keepModeOf.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(existing.st_mode))
        ok = ::fchmod(fd, existing.st_mode & 07777) == 0 || errno == EPERM;
    ok = ok && fs::writeAll(fd, bytes);
    const int error = errno;
    if (::close(fd) != 0 && ok)
        return errno;
    return ok ? 0 : error;
}

// The descriptor a path names when it is one of this process's own ("/dev/fd/1",
// "/proc/self/fd/1", "/proc/<pid>/fd/1", "/dev/stdout"), else -1.
int ownDescriptor(const QByteArray& path)
{
    static const QByteArray prefixes[] = {"/dev/fd/", "/proc/self/fd/",
                                          "/proc/" + QByteArray::number(::getpid()) + "/fd/"};
    if (path == "/dev/stdout")
        return STDOUT_FILENO;
    if (path == "/dev/stderr")
        return STDERR_FILENO;
    for (const QByteArray& prefix : prefixes) {
        bool number = false;
        const int fd = path.startsWith(prefix) ? path.mid(prefix.size()).toInt(&number) : -1;
        if (number && fd >= 0)
            return fd;
    }
    return -1;
}

// What a file that is not a regular one is, for a refusal.
QString kindOf(mode_t mode)
{
    if (S_ISBLK(mode))
        return QStringLiteral("a block device");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("a special file");
}

bool isStream(mode_t mode)
{
    return S_ISFIFO(mode) || S_ISCHR(mode);
}

} // namespace

OutputFiles::OutputFiles(const QString& target) : m_target(target)
{
    if (target.trimmed().isEmpty())
        fail(QStringLiteral("no target file was given"));
    const QFileInfo info(target);
    m_companionName = info.completeBaseName() + QStringLiteral("_files");
    m_name = QFile::encodeName(info.fileName());
    m_companion = QFile::encodeName(m_companionName);
    m_token = wire::temporary::mark(::getpid(), QRandomGenerator::global()->generate());
    m_folderPath = QFile::encodeName(info.absolutePath());
    m_folderFd = ::open(m_folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_folderFd < 0)
        failFolder(info.absolutePath(), errno);
    judgeTarget();
}

// Decides, from what is at the target's name now, whether the target is replaced or written as a
// stream, or refuses it.
void OutputFiles::judgeTarget()
{
    const int own = ownDescriptor(QFile::encodeName(QFileInfo(m_target).absoluteFilePath()));
    if (own >= 0) {
        m_stream = own;
        return;
    }
    struct stat st {};
    if (::fstatat(m_folderFd, m_name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return; // made anew
    if (S_ISDIR(st.st_mode))
        fail(QStringLiteral("it is a folder"));
    if (S_ISLNK(st.st_mode)) {
        QByteArray to(PATH_MAX, '\0');
        const ssize_t n = ::readlinkat(m_folderFd, m_name.constData(), to.data(), to.size());
        const int linked = n > 0 ? ownDescriptor(to.left(n)) : -1;
        if (linked >= 0) {
            m_stream = linked;
            return;
        }
        // A link to a regular file, a folder or nothing is replaced; one to a pipe or a device
        // is written into, as a name for it (/dev/stdout) is meant to be.
        if (::fstatat(m_folderFd, m_name.constData(), &st, 0) != 0 || S_ISREG(st.st_mode) ||
            S_ISDIR(st.st_mode))
            return;
    }
    if (isStream(st.st_mode))
        m_stream = -1;
    else if (!S_ISREG(st.st_mode))
        fail(QStringLiteral("it is %1, not a regular file").arg(kindOf(st.st_mode)));
}

OutputFiles::~OutputFiles()
{
    if (!m_committed)
        rollback();
    if (m_companionFd >= 0)
        ::close(m_companionFd);
    if (m_folderFd >= 0)
        ::close(m_folderFd);
    Leftovers::forget(m_note);
}

void OutputFiles::fail(const QString& why) const
{
    throw EngineError::writeFailed(m_target, why);
}

void OutputFiles::failSystem(const QString& what, int error) const
{
    fail(what.isEmpty()
             ? systemError(error)
             : QStringLiteral("%1 could not be written (%2)").arg(what, systemError(error)));
}

// Says why the target's folder could not be opened: the nearest part of the path that exists
// tells a folder that is missing from a path through a file.
void OutputFiles::failFolder(const QString& path, int error) const
{
    QFileInfo folder(path);
    if (folder.isDir())
        failSystem(QString(), error);
    while (!folder.exists() && !folder.isSymLink() && !folder.isRoot())
        folder.setFile(folder.absolutePath());
    if (folder.exists() && !folder.isDir())
        fail(QStringLiteral("a part of its path, \"%1\", is not a folder").arg(folder.filePath()));
    fail(QStringLiteral("its folder does not exist"));
}

// The name marked as this publish's, shortened where the file system's limit on a name needs.
QByteArray OutputFiles::tempName(const QByteArray& name) const
{
    return wire::temporary::name(name, m_token);
}

void OutputFiles::noteOnce()
{
    if (m_noted)
        return;
    m_noted = true;
    // The folder as the system names it: the target may have been given through a descriptor's
    // name ("/proc/<pid>/fd/<n>/report.xml"), which means nothing to another process later.
    QByteArray folder(PATH_MAX, '\0');
    const ssize_t n = ::readlink(("/proc/self/fd/" + QByteArray::number(m_folderFd)).constData(),
                                 folder.data(), folder.size());
    m_note = Leftovers::note(n > 0 && folder.startsWith('/') ? folder.left(n) : m_folderPath,
                             m_companion, m_token);
}

// Opens the companion folder, or makes it under a temporary name; called with m_lock held.
int OutputFiles::companionFolder()
{
    if (m_folder != Folder::NotYet)
        return m_companionFd;
    // The folder as the target was given: "out/report_files" for "out/report.html".
    const QString shown =
        QStringLiteral("\"%1%2\"")
            .arg(m_target.left(m_target.size() - QFileInfo(m_target).fileName().size()),
                 m_companionName);
    struct stat st {};
    if (::fstatat(m_folderFd, m_companion.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT)
            failSystem(shown, errno);
        const QByteArray temp = tempName(m_companion);
        if (::mkdirat(m_folderFd, temp.constData(), 0777) != 0)
            failSystem(shown, errno);
        m_madeFolder = temp;
        m_folder = Folder::Made;
    } else if (S_ISLNK(st.st_mode)) {
        fail(QStringLiteral("its picture folder %1 is a symbolic link, which is not followed; "
                            "remove it or choose another name")
                 .arg(shown));
    } else if (!S_ISDIR(st.st_mode)) {
        fail(QStringLiteral("%1, where its pictures go, is not a folder").arg(shown));
    } else {
        m_folder = Folder::Existing;
    }
    const QByteArray& name = m_folder == Folder::Made ? m_madeFolder : m_companion;
    m_companionFd =
        ::openat(m_folderFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (m_companionFd < 0)
        failSystem(shown, errno);
    return m_companionFd;
}

void OutputFiles::writeCompanion(const QString& name, const QByteArray& bytes)
{
    if (m_stream)
        fail(QStringLiteral("it is not a regular file, so \"%1\" has no folder beside it to go "
                            "into")
                 .arg(name));
    const QByteArray plain = QFile::encodeName(name);
    Companion companion{plain, plain};
    int folder = -1;
    bool existing = false;
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        noteOnce();
        folder = companionFolder();
        existing = m_folder == Folder::Existing;
    }
    // In a folder this publish made, the files get their own names at once.
    if (existing)
        companion.tempName = tempName(plain);
    bool created = false;
    const int error = createAndWrite(folder, companion.tempName, existing ? plain : QByteArray(),
                                     bytes, &created);
    if (error != 0) {
        if (created)
            ::unlinkat(folder, companion.tempName.constData(), 0);
        failSystem(QStringLiteral("\"%1/%2\"").arg(m_companionName, name), error);
    }
    WrittenFile written{m_companionName + u'/' + name, bytes.size(),
                        wire::Provenance::sha256Hex(bytes)};
    const std::lock_guard<std::mutex> guard(m_lock);
    m_companions.push_back(std::move(companion));
    m_companionsWritten.push_back(std::move(written));
    m_bytes += bytes.size();
}

void OutputFiles::writeTarget(const QByteArray& bytes)
{
    const std::lock_guard<std::mutex> guard(m_lock);
    if (m_stream) {
        const int fd = *m_stream >= 0 ? *m_stream
                                      : ::openat(m_folderFd, m_name.constData(),
                                                 O_WRONLY | O_NOCTTY | O_CLOEXEC);
        struct stat st {};
        if (fd < 0)
            failSystem(QString(), errno);
        // Opened by its name: still a pipe or a device, not a file put there since.
        if (*m_stream < 0 && (::fstat(fd, &st) != 0 || !isStream(st.st_mode))) {
            ::close(fd);
            fail(QStringLiteral("it is no longer a pipe or a device"));
        }
        const bool ok = fs::writeAll(fd, bytes);
        const int error = errno;
        if (*m_stream < 0)
            ::close(fd);
        if (!ok)
            failSystem(QString(), error);
        m_bytes += bytes.size();
        m_written = {QFile::decodeName(m_name), bytes.size(), wire::Provenance::sha256Hex(bytes)};
        return;
    }
    noteOnce();
    const QByteArray temp = tempName(m_name);
    bool created = false;
    const int error = createAndWrite(m_folderFd, temp, m_name, bytes, &created);
    if (created)
        m_targetTemp = temp;
    if (error != 0)
        failSystem(QString(), error);
    m_bytes += bytes.size();
    m_written = {QFile::decodeName(m_name), bytes.size(), wire::Provenance::sha256Hex(bytes)};
}

std::vector<WrittenFile> OutputFiles::written() const
{
    std::vector<WrittenFile> files{m_written};
    files.insert(files.end(), m_companionsWritten.begin(), m_companionsWritten.end());
    std::sort(files.begin() + 1, files.end(),
              [](const WrittenFile& a, const WrittenFile& b) { return a.name < b.name; });
    return files;
}

void OutputFiles::commit()
{
    const std::lock_guard<std::mutex> guard(m_lock);
    if (m_folder == Folder::Existing) {
        while (!m_companions.empty()) {
            const Companion& c = m_companions.back();
            if (::renameat(m_companionFd, c.tempName.constData(), m_companionFd,
                           c.name.constData()) != 0)
                failSystem(
                    QStringLiteral("\"%1/%2\"").arg(m_companionName, QFile::decodeName(c.name)),
                    errno);
            m_companions.pop_back();
        }
    } else if (m_folder == Folder::Made && !m_companions.empty()) {
        if (::renameat(m_folderFd, m_madeFolder.constData(), m_folderFd, m_companion.constData()) ==
            0) {
            m_madeFolder.clear();
            m_companions.clear();
        } else if (errno == ENOTEMPTY || errno == EEXIST) {
            moveIntoExistingFolder();
        } else {
            failSystem(QStringLiteral("\"%1\"").arg(m_companionName), errno);
        }
    }
    if (!m_targetTemp.isEmpty()) {
        if (::renameat(m_folderFd, m_targetTemp.constData(), m_folderFd, m_name.constData()) != 0)
            failSystem(QString(), errno);
        m_targetTemp.clear();
    }
    m_committed = true;
    // An empty folder this publish made (a style sheet that could not be written) goes.
    if (!m_madeFolder.isEmpty())
        ::unlinkat(m_folderFd, m_madeFolder.constData(), AT_REMOVEDIR);
}

// Another publish (a second converter on the same folders) made the picture folder meanwhile:
// the pictures go into it one by one, and the folder this publish made goes.
void OutputFiles::moveIntoExistingFolder()
{
    const QString shown = QStringLiteral("\"%1\"").arg(m_companionName);
    const int existing = ::openat(m_folderFd, m_companion.constData(),
                                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (existing < 0)
        failSystem(shown, errno);
    while (!m_companions.empty()) {
        const Companion& c = m_companions.back();
        if (::renameat(m_companionFd, c.tempName.constData(), existing, c.name.constData()) != 0) {
            const int error = errno;
            ::close(existing);
            failSystem(QStringLiteral("\"%1/%2\"").arg(m_companionName, QFile::decodeName(c.name)),
                       error);
        }
        m_companions.pop_back();
    }
    ::close(existing);
}

void OutputFiles::rollback()
{
    if (!m_targetTemp.isEmpty())
        ::unlinkat(m_folderFd, m_targetTemp.constData(), 0);
    for (const Companion& c : m_companions)
        ::unlinkat(m_companionFd, c.tempName.constData(), 0);
    if (!m_madeFolder.isEmpty())
        ::unlinkat(m_folderFd, m_madeFolder.constData(), AT_REMOVEDIR);
}

} // namespace engine
