// quillon-convert: the conversion of one file, a command run by a worker.
#include "ConvertDocument.h"

#include "EngineAutomationClient.h"
#include "EnginePaths.h"
#include "Error.h"
#include "Interrupt.h"
#include "Provenance.h"
#include "RawPath.h"

#include <QElapsedTimer>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cli {
namespace {

using Status = FileResult::Status;
using platform::EngineAutomationClient;
using platform::Error;

void set(FileResult& r, Status status, const char* kind, const QString& message)
{
    r.status = status;
    r.kind = QLatin1String(kind);
    r.message = message;
}

QString shown(const QByteArray& path)
{
    return QString::fromUtf8(rawpath::display(path));
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

// The engine writes every file (and a new picture folder) of a publish under a temporary name,
// "<name>.quillon-<mark>.tmp", and renames it into place; an engine ended in the middle leaves
// those behind.
void removeLeftovers(const QByteArray& target, const QByteArray& pictures)
{
    auto sweep = [](const QByteArray& folder, const QList<QByteArray>& prefixes) {
        DIR* dir = ::opendir(folder.constData());
        if (!dir)
            return;
        while (const dirent* d = ::readdir(dir)) {
            const QByteArray name(d->d_name);
            for (const QByteArray& prefix : prefixes) {
                if (name.startsWith(prefix) && name.contains(".quillon-") && name.endsWith(".tmp"))
                    rawpath::removeAll(rawpath::join(folder, name));
            }
        }
        ::closedir(dir);
    };
    sweep(rawpath::folderOf(target),
          {rawpath::fileName(target) + ".quillon-", rawpath::fileName(pictures) + ".quillon-"});
    sweep(pictures, {QByteArray()});
}

// "pictures=N failed=N bytes=N source-sha256=HEX" from the publish, then a line
// "file BYTES SHA256 NAME" for each file written, NAME relative to the output's folder; the
// output's size when the engine says less.
void readCounts(const QVariant& answer, const QByteArray& target, FileResult& r)
{
    const QStringList lines = answer.toString().split(u'\n');
    bool bytesKnown = false;
    for (const QString& pair : lines.value(0).split(u' ', Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.indexOf(u'=');
        const QStringView key = QStringView(pair).left(eq);
        const QStringView value = QStringView(pair).mid(eq + 1);
        if (key == u"pictures")
            r.pictures = value.toInt();
        else if (key == u"failed")
            r.picturesFailed = value.toInt();
        else if (key == u"bytes")
            r.bytes = value.toLongLong(), bytesKnown = true;
        else if (key == u"source-sha256")
            r.sha256 = value.toString();
    }
    const QByteArray folder = rawpath::folderOf(r.task.output);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList file = lines.at(i).split(u' ');
        if (file.size() < 4 || file.at(0) != QLatin1String("file"))
            continue;
        const QString name = lines.at(i).section(u' ', 3);
        r.files.push_back(
            {rawpath::join(folder, name.toUtf8()), file.at(1).toLongLong(), file.at(2)});
    }
    struct stat st {};
    if (!bytesKnown && ::stat(target.constData(), &st) == 0)
        r.bytes = st.st_size;
}

} // namespace

ConvertDocument::ConvertDocument(const ConvertSettings& settings, EngineAutomationClient& engine,
                                 EnginePaths& paths, std::function<void(qint64)> started)
    : m_settings(settings), m_engine(engine), m_paths(paths), m_started(std::move(started))
{
}

QVariant ConvertDocument::call(const QString& operation, const QStringList& arguments)
{
    // A limit of zero would mean none: a document out of time gets a millisecond.
    m_engine.setCallTimeout(
        m_deadline.isForever() ? 0 : static_cast<int>(qMax<qint64>(1, m_deadline.remainingTime())));
    return m_engine.Call(operation, arguments);
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
        set(r, t.verdict == FileTask::Verdict::Skip ? Status::Skipped : Status::Failed,
            qPrintable(t.kind), t.message);
        return done();
    }
    const QByteArray target = rawpath::join(m_settings.target, t.output);
    if (m_settings.skipExisting && upToDate(target, r)) {
        set(r, Status::Skipped, "up-to-date",
            QStringLiteral("its output was made from it, as it is, with the same settings"));
        return done();
    }
    if (!prepareTarget(target, r))
        return done();
    const QString source = m_paths.name(t.source, "source");
    if (source.isEmpty()) {
        set(r, Status::Failed, "unreadable",
            QStringLiteral("its name cannot be passed to the document engine"));
        return done();
    }
    const QString engineTarget = m_settings.engineTarget + u'/' + QString::fromUtf8(t.output);

    m_deadline = m_settings.timeoutMs > 0 ? QDeadlineTimer(m_settings.timeoutMs)
                                          : QDeadlineTimer(QDeadlineTimer::Forever);
    try {
        m_engine.start();
    } catch (const Error& e) {
        set(r, Status::Failed, "engine-unavailable", e.description());
        return done();
    }
    m_started(m_engine.processId());

    try {
        call(QStringLiteral("FileOpen"), {source});
    } catch (const Error& e) {
        if (!engineEnded(e, r))
            classifyOpenFailure(e, source, r);
        return done();
    }
    try {
        call(QStringLiteral("ProvenanceSource"), {wire::Provenance::pathText(t.relative)});
        if (!m_settings.engineMacro.isEmpty())
            playMacro(r);
        QVariant answer;
        if (m_settings.format == Format::Xml) {
            call(QStringLiteral("XMLPublishSetJPEGOptions"), {QString::number(m_settings.quality)});
            answer = call(QStringLiteral("XMLPublish"), {engineTarget});
        } else {
            answer = call(QStringLiteral("HTMLPublish"), {engineTarget});
        }
        readCounts(answer, target, r);
    } catch (const Error& e) {
        if (engineEnded(e, r)) {
            removeLeftovers(target, picturesFolder(target));
            return done();
        }
        set(r, Status::Failed, "publish-failed", e.description());
    }
    try {
        call(QStringLiteral("CloseNoSave"));
    } catch (const Error&) {
        // The output is complete; an engine that went wrong here is replaced on the next file.
    }
    return done();
}

bool ConvertDocument::upToDate(const QByteArray& target, FileResult& r) const
{
    // Non-blocking and not through a link: whatever is at the output's name, reading it must not
    // hang nor lead out of TARGET.
    const int out = ::open(target.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (out < 0)
        return false;
    const wire::Provenance recorded = wire::Provenance::read(head(out));
    ::close(out);
    if (recorded.settings != m_settings.publishSettings ||
        recorded.source != wire::Provenance::pathText(r.task.relative))
        return false;
    const int in = ::open(r.task.source.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (in < 0)
        return false;
    wire::Provenance now;
    const bool described = now.describe(in, m_settings.checksum);
    ::close(in);
    if (!described || now.size != recorded.size || now.modified != recorded.modified ||
        now.sha256 != (m_settings.checksum ? recorded.sha256 : QString()))
        return false;
    r.sha256 = now.sha256;
    return true;
}

bool ConvertDocument::prepareTarget(const QByteArray& target, FileResult& r)
{
    QString why;
    if (!ensureFolder(rawpath::folderOf(r.task.output), &why)) {
        set(r, Status::Failed, "target-unwritable", why);
        return false;
    }
    struct stat st {};
    if (::lstat(target.constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        set(r, Status::Failed, "target-unwritable",
            S_ISLNK(st.st_mode)
                ? QStringLiteral("the output %1 is a symbolic link: outputs are not written "
                                 "through links")
                      .arg(shown(target))
                : QStringLiteral("%1 is in the way of the output").arg(shown(target)));
        return false;
    }
    const QByteArray pictures = picturesFolder(target);
    if (::lstat(pictures.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        set(r, Status::Failed, "target-unwritable",
            QStringLiteral("the picture folder %1 is a symbolic link: outputs are not written "
                           "through links")
                .arg(shown(pictures)));
        return false;
    }
    return true;
}

bool ConvertDocument::ensureFolder(const QByteArray& outputFolder, QString* why)
{
    if (outputFolder == m_readyFolder)
        return true;
    QByteArray path = m_settings.target;
    for (const QByteArray& part : outputFolder.split('/')) {
        path = rawpath::join(path, part);
        if (::mkdir(path.constData(), 0777) != 0 && errno != EEXIST) {
            *why = QStringLiteral("the folder %1 cannot be made: %2")
                       .arg(shown(path), QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        // Checked after making it: a link in its place would lead the output out of TARGET.
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            *why = S_ISLNK(st.st_mode)
                       ? QStringLiteral("%1 is a symbolic link: outputs are not written "
                                        "through links")
                             .arg(shown(path))
                       : QStringLiteral("%1 is in the way of a folder").arg(shown(path));
            return false;
        }
    }
    m_readyFolder = outputFolder;
    return true;
}

bool ConvertDocument::engineEnded(const Error& error, FileResult& r) const
{
    switch (m_engine.lastOutcome()) {
    case EngineAutomationClient::Outcome::Answered:
        if (error.number() != platform::err::CannotCreateObject)
            return false;
        set(r, Status::Failed, "engine-unavailable", error.description());
        return true;
    case EngineAutomationClient::Outcome::TimedOut:
        set(r, Status::TimedOut, "timeout",
            QStringLiteral("no answer within %1 s; the document engine was ended")
                .arg(m_settings.timeoutMs / 1000.0));
        return true;
    case EngineAutomationClient::Outcome::Stopped:
        if (interrupt::count() > 0)
            set(r, Status::Failed, "interrupted",
                QStringLiteral("the run was interrupted before the document was done"));
        else
            set(r, Status::Failed, "engine-crashed", error.description());
        return true;
    case EngineAutomationClient::Outcome::Corrupt:
        set(r, Status::Failed, "engine-crashed", error.description());
        return true;
    }
    return false;
}

void ConvertDocument::classifyOpenFailure(const Error& error, const QString& source, FileResult& r)
{
    set(r, Status::Failed, error.number() == 53 ? "not-found" : "unreadable", error.description());
    if (error.number() == 53)
        return;
    try {
        const QVariant document = call(QStringLiteral("FileIsDocument"), {source});
        if (document.metaType().id() == QMetaType::Bool && !document.toBool())
            set(r, Status::Skipped, "not-a-document", error.description());
    } catch (const Error& e) {
        engineEnded(e, r);
    }
}

void ConvertDocument::playMacro(FileResult& r)
{
    // As the batch dialog plays it: not on a blank document, from the top, to its end. A macro
    // that fails leaves the document to be published as it stands.
    try {
        const QVariant blank = call(QStringLiteral("envDocBlank"));
        if (platform::isTrue(blank) || blank.isNull())
            return;
        call(QStringLiteral("PosDocVeryTop"));
        call(QStringLiteral("MacroFilePlay"), {m_settings.engineMacro});
        while (platform::isTrue(call(QStringLiteral("envMacroPlaying")))) {
        }
    } catch (const Error& e) {
        if (m_engine.lastOutcome() != EngineAutomationClient::Outcome::Answered)
            throw;
        r.warning = e.description();
    }
}

} // namespace cli
