// quillon-convert: one run, from the command line's settings to the exit status.
#include "ArchiveConverter.h"

#include "CommandLine.h"
#include "EngineAutomationClient.h"
#include "EngineContract.h"
#include "Error.h"
#include "Interrupt.h"
#include "Progress.h"
#include "RawPath.h"
#include "Report.h"
#include "Summary.h"
#include "WorkQueue.h"
#include "Worker.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace cli {
namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// mkdir -p; errno tells why it failed.
bool makeFolders(const QByteArray& absolute)
{
    QByteArray path;
    for (const QByteArray& part : absolute.split('/')) {
        if (part.isEmpty())
            continue;
        path += '/' + part;
        if (::mkdir(path.constData(), 0777) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

} // namespace

ArchiveConverter::ArchiveConverter(Settings settings) : m_settings(std::move(settings)) {}

void ArchiveConverter::diagnose(const QByteArray& subject, const QString& message)
{
    std::fprintf(stderr, "quillon-convert: %s: %s\n", rawpath::display(subject).constData(),
                 message.toUtf8().constData());
}

int ArchiveConverter::prepare(Report& report)
{
    using namespace exitcode;
    const Settings& s = m_settings;
    struct stat st {};

    m_walk.source = rawpath::absolute(s.source);
    if (::stat(m_walk.source.constData(), &st) != 0) {
        diagnose(s.source, systemError(errno));
        return NoSourceOrTarget;
    }
    if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) {
        diagnose(s.source, QStringLiteral("not a folder nor a regular file"));
        return NoSourceOrTarget;
    }
    m_walk.sourceIsFile = S_ISREG(st.st_mode);
    const dev_t sourceDevice = st.st_dev;
    const ino_t sourceInode = st.st_ino;
    // Everything is read relative to SOURCE opened now (for one document, its folder).
    const QByteArray sourceFolder =
        m_walk.sourceIsFile ? rawpath::folderOf(m_walk.source) : m_walk.source;
    const int sourceFd = ::open(sourceFolder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (sourceFd < 0) {
        diagnose(s.source, systemError(errno));
        return NoSourceOrTarget;
    }
    m_walk.sourceFolder = std::make_shared<const Folder>(sourceFd);
    m_walk.canonicalSource = rawpath::canonical(m_walk.source);
    if (!s.filesFrom.isEmpty() && m_walk.sourceIsFile) {
        diagnose(s.source, QStringLiteral("--files-from needs SOURCE to be a folder"));
        return Usage;
    }

    const QByteArray target = rawpath::absolute(s.target);
    const int targetFd =
        makeFolders(target) ? ::open(target.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
    if (targetFd < 0 || ::fstat(targetFd, &st) != 0) {
        diagnose(s.target,
                 QStringLiteral("cannot be created as a folder: %1")
                     .arg(errno == ENOTDIR || errno == EEXIST ? QStringLiteral("a file is there")
                                                              : systemError(errno)));
        return NoSourceOrTarget;
    }
    m_convert.targetFolder = std::make_shared<const Folder>(targetFd);
    if (st.st_dev == sourceDevice && st.st_ino == sourceInode) {
        diagnose(s.target, QStringLiteral("TARGET is SOURCE: the outputs would mix with the "
                                          "documents; choose another folder"));
        return Usage;
    }
    m_walk.canonicalTarget = rawpath::canonical(target);
    m_walk.targetDevice = st.st_dev;
    m_walk.targetInode = st.st_ino;
    m_walk.extensions = s.extensions;
    m_walk.outputExtension = s.outputExtension();
    m_walk.shard = s.shard;
    m_walk.filesFrom = s.filesFrom;
    m_walk.nulSeparated = s.nulSeparated;
    if (!s.filesFrom.isEmpty() && s.filesFrom != "-" &&
        ::access(s.filesFrom.constData(), R_OK) != 0) {
        diagnose(s.filesFrom, systemError(errno));
        return NoSourceOrTarget;
    }

    if (!s.macro.isEmpty()) {
        const QByteArray macro = rawpath::absolute(s.macro);
        if (::stat(macro.constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
            diagnose(s.macro, errno ? systemError(errno) : QStringLiteral("not a file"));
            return Usage;
        }
        m_convert.engineMacro = m_paths.name(macro, "macro");
    }

    m_engineProgram = qEnvironmentVariable("QUILLON_ENGINE");
    if (m_engineProgram.isEmpty())
        m_engineProgram = platform::EngineAutomationClient::defaultProgram();
    const QFileInfo program(m_engineProgram);
    if (!program.isFile() || !program.isExecutable()) {
        diagnose(m_engineProgram.toUtf8(), QStringLiteral("the document engine is missing"));
        return NoEngine;
    }

    m_convert.target = target;
    m_convert.format = s.format;
    m_convert.quality = s.quality;
    m_convert.timeoutMs = s.timeoutSeconds * 1000;
    m_convert.skipExisting = s.skipExisting;
    m_convert.checksum = s.checksum;
    if (s.skipExisting) {
        QString why;
        m_convert.publishSettings = publishSettings(&why);
        if (m_convert.publishSettings.isEmpty()) {
            diagnose(m_engineProgram.toUtf8(),
                     QStringLiteral("the document engine cannot be asked for its settings: ") +
                         why);
            return NoEngine;
        }
    }

    if (!s.report.isEmpty() && s.report != "-" &&
        !makeFolders(rawpath::folderOf(rawpath::absolute(s.report)))) {
        diagnose(s.report,
                 QStringLiteral("its folder cannot be created: %1").arg(systemError(errno)));
        return NoSourceOrTarget;
    }
    QString why;
    if (!s.report.isEmpty() && !report.open(s.report, &why)) {
        diagnose(s.report, why);
        return NoSourceOrTarget;
    }
    return -1;
}

QString ArchiveConverter::publishSettings(QString* why) const
{
    platform::EngineAutomationClient::Options options;
    options.program = m_engineProgram;
    options.ownProcessGroup = true;
    options.discardEngineErrors = !m_settings.verbose;
    platform::EngineAutomationClient engine(options);
    try {
        engine.start();
        const bool xml = m_settings.format == Format::Xml;
        if (xml)
            engine.Call(wire::op::XMLPublishSetJPEGOptions, {QString::number(m_settings.quality)});
        return engine
            .Call(wire::op::ProvenanceSettings,
                  {xml ? QStringLiteral("xml") : QStringLiteral("html")})
            .toString();
    } catch (const platform::Error& e) {
        *why = e.description();
        return {};
    }
}

int ArchiveConverter::run()
{
    // Before anything else: as a container's process 1, a signal without a handler would be
    // ignored, and one arriving while the run prepares would be lost.
    interrupt::install();
    Report report;
    if (const int status = prepare(report); status >= 0)
        return status;

    const bool showProgress = !m_settings.quiet && ::isatty(STDERR_FILENO);
    Progress progress(showProgress);
    Summary summary;
    QElapsedTimer clock;
    clock.start();

    platform::EngineAutomationClient::Options engine;
    engine.program = m_engineProgram;
    engine.addressSpaceLimit = qint64(m_settings.memoryLimitMb) * 1024 * 1024;
    engine.callTimeoutMs = 0; // a document has --timeout in all (ConvertDocument's deadline)
    engine.ownProcessGroup = true;
    engine.discardEngineErrors = !m_settings.verbose;

    const size_t jobs = static_cast<size_t>(m_settings.jobs);
    WorkQueue<FileTask> files(4 * jobs + 16);
    WorkQueue<FileResult> results;
    std::vector<std::unique_ptr<Worker>> workers;
    for (size_t i = 0; i < jobs; ++i) {
        workers.push_back(std::make_unique<Worker>(m_convert, engine, files, results));
        workers.back()->start();
    }

    std::atomic<bool> walked{false};
    bool listRead = true;
    QString listError;
    std::thread walker([&] {
        SourceWalk walk(m_walk);
        listRead = walk.run(
            [&files](FileTask&& t) { return interrupt::count() == 0 && files.push(std::move(t)); },
            &listError);
        files.close();
        walked = true;
    });
    // A second walk only counts, for the progress line's total and time left.
    std::atomic<bool> stopCounting{false};
    std::thread counter;
    if (showProgress && m_walk.filesFrom.isEmpty()) {
        counter = std::thread([&] {
            SourceWalk walk(m_walk);
            qint64 n = 0;
            bool whole = true;
            walk.run([&](FileTask&&) {
                ++n;
                return whole = !stopCounting && interrupt::count() == 0;
            });
            if (whole)
                progress.setTotal(n);
        });
    }

    bool stopping = false;
    QElapsedTimer sinceStop;
    for (;;) {
        std::optional<FileResult> result = results.popFor(std::chrono::milliseconds(100));
        if (result)
            handle(*result, report, summary, progress);
        const int received = interrupt::count();
        if (received > 0 && !stopping) {
            stopping = true;
            sinceStop.start();
            files.cancel();
        }
        if (stopping && (received > 1 || sinceStop.elapsed() >= kGraceMs)) {
            for (const auto& w : workers)
                w->killEngine();
        }
        progress.show(summary.done(), summary.converted(), summary.problems(),
                      clock.elapsed() / 1000.0);
        if (!result && walked && std::all_of(workers.begin(), workers.end(), [](const auto& w) {
                return w->finished();
            }))
            break;
    }
    walker.join();
    stopCounting = true;
    if (counter.joinable())
        counter.join();
    workers.clear();
    while (std::optional<FileResult> result = results.popFor(std::chrono::milliseconds(0)))
        handle(*result, report, summary, progress);
    progress.clear();

    if (!listRead)
        diagnose(m_settings.filesFrom, listError);
    const bool interrupted = interrupt::count() > 0;
    if (!m_settings.quiet)
        std::fputs(summary.text(clock.elapsed() / 1000.0, interrupted).constData(), stderr);
    if (interrupted)
        return exitcode::Interrupted;
    if (!listRead)
        return exitcode::NoSourceOrTarget;
    if (m_reportFailed || (summary.problems() > 0 && !m_settings.acceptFailures))
        return exitcode::SomeFailed;
    return exitcode::Done;
}

QByteArray ArchiveConverter::shownSource(const FileResult& r) const
{
    if (r.task.kind == FailureKind::OutsideSource)
        return r.task.relative;
    if (m_walk.sourceIsFile)
        return m_settings.source;
    return rawpath::join(m_settings.source, r.task.relative);
}

// A skipped file has no output, unless it is skipped for its output being up to date.
QByteArray ArchiveConverter::shownTarget(const FileResult& r) const
{
    if (!r.hasOutput())
        return {};
    return rawpath::join(m_settings.target, r.task.output);
}

void ArchiveConverter::handle(const FileResult& r, Report& report, Summary& summary,
                              Progress& progress)
{
    const QByteArray source = shownSource(r);
    const QByteArray target = shownTarget(r);
    summary.add(r, source);
    if (!m_reportFailed && !report.write(r, source, target, m_settings.target)) {
        m_reportFailed = true;
        progress.clear();
        diagnose(m_settings.report,
                 QStringLiteral("the report cannot be written: %1").arg(systemError(errno)));
    }
    if (!m_settings.verbose)
        return;
    progress.clear();
    using Status = FileResult::Status;
    switch (r.status) {
    case Status::Converted:
        std::fprintf(
            stderr, "%s -> %s%s\n", rawpath::display(source).constData(),
            rawpath::display(target).constData(),
            r.task.collision.isEmpty()
                ? ""
                : qPrintable(QStringLiteral(" (%1 is another document's)").arg(r.task.collision)));
        break;
    case Status::Skipped:
        std::fprintf(stderr, "%s: skipped: %s\n", rawpath::display(source).constData(),
                     r.message.toUtf8().constData());
        break;
    case Status::Partial:
        diagnose(source, QStringLiteral("partial: ") + r.message);
        break;
    case Status::Failed:
        diagnose(source, r.message);
        break;
    case Status::TimedOut:
        diagnose(source, QStringLiteral("timed out: ") + r.message);
        break;
    }
}

} // namespace cli
