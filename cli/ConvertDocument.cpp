// quillon-convert: the conversion of one file, a command run by a worker.
#include "ConvertDocument.h"

#include "EngineAutomationClient.h"
#include "EngineContract.h"
#include "EnginePaths.h"
#include "Error.h"
#include "Interrupt.h"
#include "Provenance.h"
#include "PublishDocument.h"
#include "RawPath.h"

#include <QElapsedTimer>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace cli {
namespace {

using Status = FileResult::Status;
using platform::EngineAutomationClient;
using platform::Error;

void set(FileResult& r, Status status, FailureKind kind, const QString& message)
{
    r.status = status;
    r.kind = kind;
    r.message = message;
}

QString shown(const QByteArray& path)
{
    return QString::fromUtf8(rawpath::display(path));
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The beginning of an output, enough for what it records of its source: a few kilobytes, more
// only when a long title comes first.
QByteArray head(int fd)
{
    constexpr qsizetype kFirst = 4096, kMost = 65536;
    QByteArray bytes(kFirst, Qt::Uninitialized);
    qsizetype have = 0;
    while (have < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + have, static_cast<size_t>(bytes.size() - have));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        have += n;
        if (have == bytes.size() && bytes.size() < kMost &&
            wire::Provenance::read(QByteArrayView(bytes).first(have)).settings.isEmpty())
            bytes.resize(kMost);
    }
    bytes.truncate(have);
    return bytes;
}

// The engine puts a target's pictures in "<target without its extension>_files".
QByteArray picturesFolder(const QByteArray& target)
{
    const qsizetype dot = target.lastIndexOf('.');
    return (dot > target.lastIndexOf('/') ? target.left(dot) : target) + "_files";
}

// The engine writes every file (and a new picture folder) of a publish under a temporary name
// (wire::temporary) and renames it into place; an engine ended in the middle leaves those behind
// in the output's folder and its picture folder.
void removeLeftovers(int folder, const QByteArray& name)
{
    const QByteArray pictures = picturesFolder(name);
    auto sweep = [](int at, const QList<QByteArray>& names) {
        // A description of its own: one shared with the folder's would start where an earlier
        // listing ended.
        const int fd = ::openat(at, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
        if (!dir) {
            if (fd >= 0)
                ::close(fd);
            return;
        }
        QList<QByteArray> found;
        while (const dirent* d = ::readdir(dir)) {
            const QByteArray entry(d->d_name);
            for (const QByteArray& of : names) {
                if (wire::temporary::isMarked(entry, of))
                    found << entry;
            }
        }
        ::closedir(dir);
        for (const QByteArray& entry : found)
            folders::removeAt(at, entry);
    };
    sweep(folder, {name, pictures});
    const int inner =
        ::openat(folder, pictures.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (inner >= 0) {
        sweep(inner, {QByteArray()});
        ::close(inner);
    }
}

// What the publish answered, its files named below TARGET; the output's size when the engine
// does not say.
void readCounts(const wire::PublishAnswer& answer, int outputFolder, const QByteArray& outputName,
                FileResult& r)
{
    r.pictures = answer.pictures;
    r.picturesFailed = answer.picturesFailed;
    if (!answer.sourceSha256.isEmpty())
        r.sha256 = answer.sourceSha256;
    const QByteArray folder = rawpath::folderOf(r.task.output);
    for (const wire::PublishAnswer::File& f : answer.files)
        r.files.push_back({rawpath::join(folder, f.name.toUtf8()), f.bytes, f.sha256});
    struct stat st {};
    if (answer.bytes)
        r.bytes = *answer.bytes;
    else if (::fstatat(outputFolder, outputName.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        r.bytes = st.st_size;
}

// A test's hook: with QUILLON_CONVERT_TEST_HOOK set, the program it names runs (and is waited
// for) at each stage of each document, given the stage ("opening", "publishing") and the
// document's path, so that a test can change the file system at that very moment. Unset, as in
// every real run, nothing happens.
void testHook(const char* stage, const QByteArray& source)
{
    static const QByteArray program = qgetenv("QUILLON_CONVERT_TEST_HOOK");
    if (program.isEmpty())
        return;
    char* argv[] = {const_cast<char*>(program.constData()), const_cast<char*>(stage),
                    const_cast<char*>(source.constData()), nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, program.constData(), nullptr, nullptr, argv, environ) == 0)
        ::waitpid(pid, nullptr, 0);
}

} // namespace

ConvertDocument::ConvertDocument(const ConvertSettings& settings, EngineAutomationClient& engine,
                                 EnginePaths& paths, std::function<void(qint64)> started)
    : m_settings(settings), m_engine(engine), m_paths(paths), m_started(std::move(started))
{
}

FileResult ConvertDocument::execute(FileTask task)
{
    QElapsedTimer clock;
    clock.start();
    FileResult r;
    r.task = std::move(task);
    r.ms = 0;
    const FileTask& t = r.task;
    auto done = [&r, &clock]() {
        r.ms = clock.elapsed();
        return std::move(r);
    };

    if (t.verdict != FileTask::Verdict::Convert) {
        set(r, t.verdict == FileTask::Verdict::Skip ? Status::Skipped : Status::Failed, t.kind,
            t.message);
        return done();
    }
    const QByteArray target = rawpath::join(m_settings.target, t.output);
    const QByteArray outputName = rawpath::fileName(t.output);
    testHook("opening", t.source);
    const int fd = openSource(r);
    if (fd < 0)
        return done();
    const Folder source(fd); // open until the document is done
    if (m_settings.skipExisting) {
        QString ignored;
        const FolderRef folder = outputFolder(rawpath::folderOf(t.output), false, &ignored);
        if (folder && upToDate(fd, folder->fd(), outputName, r)) {
            set(r, Status::Skipped, FailureKind::UpToDate,
                QStringLiteral("its output was made from it, as it is, with the same settings"));
            return done();
        }
    }
    if (!prepareTarget(target, r))
        return done();
    const FolderRef folder = m_ready;
    m_source = t.source;
    m_target = target;
    m_engineSource = m_paths.link(source.procPath(), "source", rawpath::fileName(t.source));
    m_engineTarget = QString::fromUtf8(folder->procPath() + '/' + outputName);
    if (m_engineSource.isEmpty()) {
        set(r, Status::Failed, FailureKind::Unreadable,
            QStringLiteral("it cannot be passed to the document engine"));
        return done();
    }
    testHook("publishing", t.source);

    m_engine.setDeadline(m_settings.timeoutMs > 0 ? QDeadlineTimer(m_settings.timeoutMs)
                                                  : QDeadlineTimer(QDeadlineTimer::Forever));
    try {
        m_engine.start();
    } catch (const Error& e) {
        set(r, Status::Failed, FailureKind::EngineUnavailable, e.description());
        return done();
    }
    m_started(m_engine.processId());

    platform::PublishJob job;
    job.source = m_engineSource;
    job.recordedSource = wire::Provenance::pathText(t.relative);
    job.macro = m_settings.engineMacro;
    job.xml = m_settings.format == Format::Xml;
    job.quality = QString::number(m_settings.quality);
    job.target = m_engineTarget;
    const platform::PublishOutcome published = platform::PublishDocument(m_engine, job);
    r.warning = published.macroFailure;
    using End = platform::PublishOutcome::End;
    switch (published.end) {
    case End::Published:
        readCounts(published.answer, folder->fd(), outputName, r);
        break;
    case End::Partial:
        readCounts(published.answer, folder->fd(), outputName, r);
        set(r, Status::Partial, FailureKind::Damaged, shownText(published.error->description()));
        break;
    case End::OpenFailed:
        if (!engineEnded(*published.error, r))
            classifyOpenFailure(*published.error, m_engineSource, r);
        break;
    case End::Failed:
        if (engineEnded(*published.error, r))
            removeLeftovers(folder->fd(), outputName);
        else
            set(r, Status::Failed,
                published.error->number() == wire::kOutOfMemory.number
                    ? FailureKind::NotEnoughMemory
                    : FailureKind::PublishFailed,
                shownText(published.error->description()));
        break;
    }
    return done();
}

bool ConvertDocument::upToDate(int source, int folder, const QByteArray& name, FileResult& r) const
{
    // Non-blocking and not through a link: whatever is at the output's name, reading it must not
    // hang nor lead out of TARGET.
    const int out =
        ::openat(folder, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (out < 0)
        return false;
    const wire::Provenance recorded = wire::Provenance::read(head(out));
    ::close(out);
    if (recorded.settings != m_settings.publishSettings ||
        recorded.source != wire::Provenance::pathText(r.task.relative))
        return false;
    wire::Provenance now;
    const bool described = now.describe(source, m_settings.checksum);
    if (!described || now.size != recorded.size || now.modified != recorded.modified ||
        now.sha256 != (m_settings.checksum ? recorded.sha256 : QString()))
        return false;
    r.sha256 = now.sha256;
    return true;
}

int ConvertDocument::openSource(FileResult& r)
{
    const FileTask& t = r.task;
    errno = EBADF;
    // Not blocking on a pipe put in the file's place; never following a link.
    const int fd =
        t.folder ? folders::openBelow(t.folder->fd(), t.name, O_RDONLY | O_NONBLOCK | O_NOCTTY)
                 : -1;
    const int error = errno;
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        return fd;
    if (fd >= 0) {
        ::close(fd);
        set(r, Status::Failed, FailureKind::Unreadable,
            QStringLiteral("it is no longer a regular file (something else was put in its "
                           "place)"));
    } else if (error == ELOOP || (error == ENOTDIR && t.name.contains('/'))) {
        set(r, Status::Failed, FailureKind::Unreadable,
            QStringLiteral("it is now a symbolic link (put in its place after it was found), "
                           "which is not followed"));
    } else if (error == ENOENT || error == ENOTDIR) {
        set(r, Status::Failed, FailureKind::NotFound, QStringLiteral("it is no longer there"));
    } else {
        set(r, Status::Failed, FailureKind::Unreadable,
            QStringLiteral("it cannot be opened: %1").arg(systemError(error)));
    }
    return -1;
}

FolderRef ConvertDocument::outputFolder(const QByteArray& relative, bool make, QString* why)
{
    // The folder made last, while it is still there (removed, it is made again).
    struct stat st {};
    if (make && m_ready && relative == m_readyName && ::fstat(m_ready->fd(), &st) == 0 &&
        st.st_nlink > 0)
        return m_ready;
    const int root = m_settings.targetFolder->fd();
    const int fd = make ? folders::makeBelow(root, relative)
                        : folders::openBelow(root, relative, O_RDONLY | O_DIRECTORY);
    if (fd < 0) {
        const QByteArray shownPath = rawpath::join(m_settings.target, relative);
        if (errno == ELOOP || errno == ENOTDIR || errno == EEXIST)
            *why = QStringLiteral("%1 is, or passes through, a file or a symbolic link where a "
                                  "folder goes: outputs are not written through links")
                       .arg(shown(shownPath));
        else
            *why = QStringLiteral("the folder %1 cannot be made: %2")
                       .arg(shown(shownPath), systemError(errno));
        return nullptr;
    }
    auto folder = std::make_shared<const Folder>(fd);
    if (make) {
        m_readyName = relative;
        m_ready = folder;
    }
    return folder;
}

bool ConvertDocument::prepareTarget(const QByteArray& target, FileResult& r)
{
    QString why;
    const FolderRef folder = outputFolder(rawpath::folderOf(r.task.output), true, &why);
    if (!folder) {
        set(r, Status::Failed, FailureKind::TargetUnwritable, why);
        return false;
    }
    const QByteArray name = rawpath::fileName(r.task.output);
    struct stat st {};
    if (::fstatat(folder->fd(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        !S_ISREG(st.st_mode)) {
        set(r, Status::Failed, FailureKind::TargetUnwritable,
            S_ISLNK(st.st_mode)
                ? QStringLiteral("the output %1 is a symbolic link: outputs are not written "
                                 "through links")
                      .arg(shown(target))
                : QStringLiteral("%1 is in the way of the output").arg(shown(target)));
        return false;
    }
    const QByteArray pictures = picturesFolder(name);
    if (::fstatat(folder->fd(), pictures.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(st.st_mode)) {
        set(r, Status::Failed, FailureKind::TargetUnwritable,
            QStringLiteral("the picture folder %1 is a symbolic link: outputs are not written "
                           "through links")
                .arg(shown(picturesFolder(target))));
        return false;
    }
    return true;
}

QString ConvertDocument::shownText(const QString& description) const
{
    QString text = description;
    if (!m_engineSource.isEmpty())
        text.replace(m_engineSource, shown(m_source));
    if (!m_engineTarget.isEmpty()) {
        text.replace(m_engineTarget, shown(m_target));
        // The picture folder beside it, named through the same folder.
        const qsizetype slash = m_engineTarget.lastIndexOf(u'/');
        text.replace(m_engineTarget.left(slash + 1), shown(rawpath::folderOf(m_target)) + u'/');
    }
    return text;
}

bool ConvertDocument::engineEnded(const Error& error, FileResult& r) const
{
    switch (m_engine.lastOutcome()) {
    case EngineAutomationClient::Outcome::Answered:
    case EngineAutomationClient::Outcome::Damaged:
        if (error.number() != platform::err::CannotCreateObject)
            return false;
        set(r, Status::Failed, FailureKind::EngineUnavailable, error.description());
        return true;
    case EngineAutomationClient::Outcome::TimedOut:
        set(r, Status::TimedOut, FailureKind::Timeout,
            QStringLiteral("no answer within %1 s; the document engine was ended")
                .arg(m_settings.timeoutMs / 1000.0));
        return true;
    case EngineAutomationClient::Outcome::Stopped:
        if (interrupt::count() > 0)
            set(r, Status::Failed, FailureKind::Interrupted,
                QStringLiteral("the run was interrupted before the document was done"));
        else
            set(r, Status::Failed, FailureKind::EngineCrashed, error.description());
        return true;
    case EngineAutomationClient::Outcome::Corrupt:
        set(r, Status::Failed, FailureKind::EngineCrashed, error.description());
        return true;
    }
    return false;
}

void ConvertDocument::classifyOpenFailure(const Error& error, const QString& source, FileResult& r)
{
    set(r, Status::Failed,
        error.number() == wire::kFileNotFound.number  ? FailureKind::NotFound
        : error.number() == wire::kOutOfMemory.number ? FailureKind::NotEnoughMemory
                                                      : FailureKind::Unreadable,
        shownText(error.description()));
    if (error.number() == wire::kFileNotFound.number || error.number() == wire::kOutOfMemory.number)
        return;
    try {
        const QVariant document = m_engine.Call(wire::op::FileIsDocument, {source});
        if (document.metaType().id() == QMetaType::Bool && !document.toBool())
            set(r, Status::Skipped, FailureKind::NotADocument, shownText(error.description()));
    } catch (const Error& e) {
        engineEnded(e, r);
    }
}

} // namespace cli
