// quillon-convert: the files of a run, walked or listed, with their output names.
#include "SourceWalk.h"

#include "OutputNames.h"
#include "RawPath.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cli {
namespace {

// Folders whose output names stay known for listed files (their collisions only).
constexpr size_t kRecentFolders = 64;

unsigned char typeOf(mode_t mode)
{
    if (S_ISREG(mode))
        return DT_REG;
    if (S_ISDIR(mode))
        return DT_DIR;
    if (S_ISLNK(mode))
        return DT_LNK;
    return DT_UNKNOWN;
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The output name before any collision: the name up to its last dot (unless the dot leads it),
// plus the output extension.
QString plainOutput(const QString& name, const QString& extension)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return (dot > 0 ? name.left(dot) : name) + extension;
}

// The picture folder of an output ("b.xml" -> "b_files").
QString picturesOf(const QString& output)
{
    const qsizetype dot = output.lastIndexOf(u'.');
    return (dot > 0 ? output.left(dot) : output) + QLatin1String("_files");
}

// A path through the folder's descriptor, by which the system resolves a link there.
QByteArray throughDescriptor(int folder, const QByteArray& name)
{
    return "/proc/self/fd/" + QByteArray::number(folder) + '/' + name;
}

FileTask judged(FileTask task, FileTask::Verdict verdict, FailureKind kind, const QString& why)
{
    task.verdict = verdict;
    task.kind = kind;
    task.message = why;
    task.output.clear();
    return task;
}

} // namespace

SourceWalk::SourceWalk(WalkSettings settings) : m_settings(std::move(settings))
{
    // Outputs can land among the sources only when SOURCE lies in TARGET, or is one file.
    if (m_settings.sourceIsFile ||
        !rawpath::relativeTo(m_settings.canonicalSource, m_settings.canonicalTarget).isNull())
        m_sourceInTarget = m_settings.canonicalSource;
}

bool SourceWalk::run(const Sink& sink, QString* error)
{
    if (!m_settings.filesFrom.isEmpty())
        return readList(sink, error);
    // A walk the sink stops (an interruption) has read everything it was asked to.
    if (m_settings.sourceIsFile)
        single(sink);
    else
        walk(sink);
    return true;
}

bool SourceWalk::wanted(const QByteArray& name) const
{
    if (m_settings.extensions.isEmpty())
        return true;
    const qsizetype dot = name.lastIndexOf('.');
    return dot > 0 &&
           m_settings.extensions.contains(QString::fromUtf8(name.mid(dot + 1)).toLower());
}

SourceWalk::Kind SourceWalk::classify(int folder, Entry& entry, unsigned char type) const
{
    struct stat st {};
    if (type == DT_UNKNOWN || type == DT_DIR) {
        if (::fstatat(folder, entry.name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            entry.error = errno;
            return errno == ENOENT ? Kind::Special : Kind::Unreachable;
        }
        type = typeOf(st.st_mode);
    }
    switch (type) {
    case DT_REG:
        return Kind::File;
    case DT_DIR:
        return st.st_dev == m_settings.targetDevice && st.st_ino == m_settings.targetInode
                   ? Kind::Target
                   : Kind::Folder;
    case DT_LNK: {
        errno = 0;
        const QByteArray resolved = rawpath::canonical(throughDescriptor(folder, entry.name));
        if (resolved.isEmpty() || ::stat(resolved.constData(), &st) != 0)
            return errno == ELOOP ? Kind::LinkLoop : Kind::LinkBroken;
        const QByteArray inside = rawpath::relativeTo(resolved, m_settings.canonicalSource);
        if (inside.isNull())
            return S_ISDIR(st.st_mode) ? Kind::LinkOutToFolder : Kind::LinkOut;
        if (!rawpath::relativeTo(resolved, m_settings.canonicalTarget).isNull())
            return Kind::Target;
        if (S_ISDIR(st.st_mode))
            return Kind::LinkToFolder;
        entry.linkTarget = inside;
        return S_ISREG(st.st_mode) ? Kind::File : Kind::Special;
    }
    default:
        return Kind::Special;
    }
}

bool SourceWalk::list(int folder, std::vector<Entry>& entries) const
{
    // A description of its own: another walk (the progress line's count) may list it at once.
    const int fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!dir) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        errno = error;
        return false;
    }
    while (const dirent* d = ::readdir(dir)) {
        Entry e;
        e.name = QByteArray(d->d_name);
        if (e.name == "." || e.name == "..")
            continue;
        e.kind = classify(folder, e, d->d_type);
        entries.push_back(std::move(e));
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    // The subfolders' names in TARGET are taken first: an output, or its picture folder, never
    // takes the place of a mirrored subfolder.
    fs::OutputNames names;
    QSet<QString> subfolders;
    for (const Entry& e : entries) {
        if (e.kind == Kind::Folder) {
            const QString name = QString::fromUtf8(folderOutput(folder, e.name));
            names.claim(name, name);
            subfolders.insert(name);
        }
    }
    for (Entry& e : entries) {
        if (e.kind != Kind::File || !wanted(e.name))
            continue;
        const QString text = rawpath::nameText(e.name);
        const QString plain = plainOutput(text, m_settings.outputExtension);
        e.output = names.claim(plain, text);
        while (subfolders.contains(picturesOf(e.output)))
            e.output = names.claim(plain, text);
        if (e.output != plain)
            e.collision = plain;
    }
    return true;
}

QByteArray SourceWalk::folderOutput(int parent, const QByteArray& name)
{
    if (rawpath::isUtf8(name))
        return name;
    // An escaped name never holds "%~", so the suffix cannot meet another escaped name; a
    // sibling that happens to be called so is looked up.
    const QByteArray escaped = rawpath::nameText(name).toUtf8();
    QByteArray candidate = escaped;
    struct stat st {};
    for (int n = 2; ::fstatat(parent, candidate.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0; ++n)
        candidate = escaped + "%~" + QByteArray::number(n);
    return candidate;
}

FileTask SourceWalk::task(const FolderRef& open, const QByteArray& folder,
                          const QByteArray& relativeFolder, const QByteArray& outputFolder,
                          const Entry& entry) const
{
    FileTask t;
    t.source = rawpath::join(folder, entry.name);
    t.relative = rawpath::join(relativeFolder, entry.name);
    const bool link = !entry.linkTarget.isNull();
    t.folder = link ? m_settings.sourceFolder : open;
    t.name = link ? entry.linkTarget : entry.name;
    using V = FileTask::Verdict;
    switch (entry.kind) {
    case Kind::File:
        break;
    case Kind::LinkOut:
        return judged(t, V::Skip, FailureKind::LinkOutOfSource,
                      QStringLiteral("a symbolic link to a file outside SOURCE"));
    case Kind::LinkOutToFolder:
        return judged(t, V::Skip, FailureKind::LinkOutOfSource,
                      QStringLiteral("a symbolic link to a folder outside SOURCE"));
    case Kind::LinkToFolder:
        return judged(t, V::Skip, FailureKind::LinkToFolder,
                      QStringLiteral("a symbolic link to a folder, not followed"));
    case Kind::LinkBroken:
        return judged(t, V::Skip, FailureKind::BrokenLink,
                      QStringLiteral("a symbolic link to nothing"));
    case Kind::LinkLoop:
        return judged(t, V::Skip, FailureKind::BrokenLink,
                      QStringLiteral("a symbolic link in a loop (it leads back to itself)"));
    case Kind::Folder:
        return judged(t, V::Skip, FailureKind::NotAFile, QStringLiteral("a folder"));
    case Kind::Target:
        return judged(t, V::Skip, FailureKind::InsideTarget, QStringLiteral("it lies in TARGET"));
    case Kind::Special:
        return judged(t, V::Skip, FailureKind::NotAFile, QStringLiteral("not a regular file"));
    case Kind::Unreachable:
        return judged(t, V::Fail, FailureKind::Unreadable,
                      QStringLiteral("it cannot be looked at: %1").arg(systemError(entry.error)));
    }
    t.output = rawpath::join(outputFolder, entry.output.toUtf8());
    t.collision = entry.collision;
    if (!m_sourceInTarget.isNull() &&
        !rawpath::relativeTo(rawpath::join(m_settings.canonicalTarget, t.output), m_sourceInTarget)
             .isNull())
        return judged(t, V::Fail, FailureKind::OutputInSource,
                      QStringLiteral("its output would be written among the sources"));
    return t;
}

bool SourceWalk::offer(const Sink& sink, FileTask&& task) const
{
    return !m_settings.shard.contains(task.relative) || sink(std::move(task));
}

bool SourceWalk::single(const Sink& sink)
{
    const QByteArray name = rawpath::fileName(m_settings.source);
    if (!wanted(name))
        return true;
    Entry e{
        name, Kind::File, plainOutput(rawpath::nameText(name), m_settings.outputExtension), {}, {}};
    return offer(sink,
                 task(m_settings.sourceFolder, rawpath::folderOf(m_settings.source), {}, {}, e));
}

bool SourceWalk::walk(const Sink& sink)
{
    struct Frame {
        FolderRef open;
        QByteArray folder, relative, output;
        std::vector<QByteArray> subfolders;
        size_t next = 0;
    };
    std::vector<Frame> stack;

    auto unreadable = [&](const QByteArray& folder, const QByteArray& relative, int error) {
        FileTask t;
        t.source = folder;
        t.relative = relative;
        const QString why =
            error == ELOOP || error == ENOTDIR
                ? QStringLiteral("it is no longer a folder (a link put in its place is not "
                                 "followed)")
                : QStringLiteral("the folder cannot be read: %1").arg(systemError(error));
        return offer(sink, judged(t, FileTask::Verdict::Fail, FailureKind::FolderUnreadable, why));
    };
    auto enter = [&](FolderRef open, const QByteArray& folder, const QByteArray& relative,
                     const QByteArray& output) {
        std::vector<Entry> entries;
        if (!list(open->fd(), entries))
            return unreadable(folder, relative, errno);
        Frame frame{open, folder, relative, output, {}, 0};
        for (const Entry& e : entries) {
            if (e.kind == Kind::Folder)
                frame.subfolders.push_back(e.name);
            else if (e.kind != Kind::Target && wanted(e.name) &&
                     !offer(sink, task(open, folder, relative, output, e)))
                return false;
        }
        stack.push_back(std::move(frame));
        return true;
    };

    if (!enter(m_settings.sourceFolder, m_settings.source, {}, {}))
        return false;
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next == top.subfolders.size()) {
            stack.pop_back();
            continue;
        }
        const QByteArray name = top.subfolders[top.next++];
        const QByteArray folder = rawpath::join(top.folder, name);
        const QByteArray relative = rawpath::join(top.relative, name);
        const QByteArray output = rawpath::join(top.output, folderOutput(top.open->fd(), name));
        const int fd = ::openat(top.open->fd(), name.constData(),
                                O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int error = errno;
        // A folder whose subfolders are all entered holds no descriptor any longer: a chain of
        // folders thousands deep keeps few open.
        if (top.next == top.subfolders.size())
            stack.pop_back();
        if (fd < 0 ? !unreadable(folder, relative, error)
                   : !enter(std::make_shared<const Folder>(fd), folder, relative, output))
            return false;
    }
    return true;
}

const SourceWalk::Names& SourceWalk::namesOf(const QByteArray& relativeFolder, int folder)
{
    for (auto it = m_recent.begin(); it != m_recent.end(); ++it) {
        if (it->first == relativeFolder) {
            m_recent.splice(m_recent.begin(), m_recent, it);
            return m_recent.front().second;
        }
    }
    Names names;
    std::vector<Entry> entries;
    if (list(folder, entries)) {
        for (const Entry& e : entries) {
            if (!e.collision.isEmpty()) {
                names.output.insert(e.name, e.output);
                names.plain.insert(e.name, e.collision);
            }
        }
    }
    m_recent.emplace_front(relativeFolder, std::move(names));
    if (m_recent.size() > kRecentFolders)
        m_recent.pop_back();
    return m_recent.front().second;
}

bool SourceWalk::readList(const Sink& sink, QString* error)
{
    const bool fromInput = m_settings.filesFrom == "-";
    FILE* in = fromInput ? stdin : std::fopen(m_settings.filesFrom.constData(), "rb");
    if (!in) {
        if (error)
            *error = systemError(errno);
        return false;
    }
    const char delimiter = m_settings.nulSeparated ? '\0' : '\n';
    char* line = nullptr;
    size_t capacity = 0;
    bool more = true;
    ssize_t n = 0;
    while (more && (n = ::getdelim(&line, &capacity, delimiter, in)) >= 0) {
        QByteArray listed(line, n);
        if (listed.endsWith(delimiter))
            listed.chop(1);
        if (listed.isEmpty())
            continue;

        FileTask t;
        t.source = rawpath::absolute(listed);
        QByteArray base = m_settings.source;
        QByteArray relative = rawpath::relativeTo(t.source, base);
        if (relative.isEmpty()) {
            base = m_settings.canonicalSource;
            relative = rawpath::relativeTo(t.source, base);
        }
        if (relative.isEmpty()) {
            // Named through a link to SOURCE or to a folder above it: the path's folder, with
            // its links resolved, lies in SOURCE's.
            const QByteArray folder = rawpath::canonical(rawpath::folderOf(t.source));
            if (!folder.isEmpty())
                relative =
                    rawpath::relativeTo(rawpath::join(folder, rawpath::fileName(t.source)), base);
        }
        if (relative.isEmpty()) {
            t.relative = listed;
            more = offer(sink, judged(t, FileTask::Verdict::Fail, FailureKind::OutsideSource,
                                      QStringLiteral("it does not lie in SOURCE")));
            continue;
        }
        // The same file listed again is converted once.
        if (m_listed.contains(relative))
            continue;
        m_listed.insert(relative);
        t.relative = relative;
        const QByteArray folder = rawpath::folderOf(t.source);
        const QByteArray name = rawpath::fileName(t.source);
        if (!wanted(name))
            continue;
        // The listed file's folder, reached from SOURCE without following a link; a listed path
        // through a link to a folder is judged by where it leads, as the walk judges links.
        const int open = folders::openBelow(m_settings.sourceFolder->fd(),
                                            rawpath::folderOf(relative), O_RDONLY | O_DIRECTORY);
        const FolderRef opened = open >= 0 ? std::make_shared<const Folder>(open) : nullptr;
        Entry e{name, Kind::Special, {}, {}, {}};
        struct stat st {};
        QByteArray resolved;
        if (opened && ::fstatat(open, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            e.kind = classify(open, e, typeOf(st.st_mode));
        } else if (!opened && (errno == ELOOP || errno == ENOTDIR) &&
                   !(resolved = rawpath::canonical(t.source)).isEmpty()) {
            e.kind = Kind::File; // through a link to a folder: judged below by where it leads
        } else {
            const int why = errno;
            more = offer(sink, judged(t, FileTask::Verdict::Fail,
                                      why == ENOENT || why == ENOTDIR ? FailureKind::NotFound
                                                                      : FailureKind::Unreadable,
                                      systemError(why)));
            continue;
        }
        if (e.kind == Kind::File && opened && e.linkTarget.isNull()) {
            // Reached without a link: it is where it was listed.
            if (!rawpath::relativeTo(rawpath::join(m_settings.canonicalSource, relative),
                                     m_settings.canonicalTarget)
                     .isNull())
                e.kind = Kind::Target;
        } else if (e.kind == Kind::File && !opened) {
            const QByteArray inside = rawpath::relativeTo(resolved, m_settings.canonicalSource);
            if (inside.isNull())
                e.kind = Kind::LinkOut;
            else if (!rawpath::relativeTo(resolved, m_settings.canonicalTarget).isNull())
                e.kind = Kind::Target;
            else
                e.linkTarget = inside;
        }
        if (e.kind == Kind::File) {
            const Names& names = opened ? namesOf(rawpath::folderOf(relative), open) : Names();
            e.output = names.output.value(name);
            e.collision = names.plain.value(name);
            if (e.output.isEmpty())
                e.output = plainOutput(rawpath::nameText(name), m_settings.outputExtension);
        }
        // The folders below SOURCE get their output names one by one, as in the walk.
        QByteArray output;
        const QList<QByteArray> parts = relative.split('/');
        int parent = m_settings.sourceFolder->fd();
        for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
            output = rawpath::join(output, folderOutput(parent, parts.at(i)));
            const int next = parent >= 0 ? ::openat(parent, parts.at(i).constData(),
                                                    O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)
                                         : -1;
            if (parent != m_settings.sourceFolder->fd() && parent >= 0)
                ::close(parent);
            parent = next;
        }
        if (parent != m_settings.sourceFolder->fd() && parent >= 0)
            ::close(parent);
        FileTask made = task(opened, folder, rawpath::folderOf(relative), output, e);
        made.relative = relative;
        more = offer(sink, std::move(made));
    }
    std::free(line);
    if (!fromInput)
        std::fclose(in);
    return true;
}

} // namespace cli
