// quillon-convert: one run, from the command line's settings to the exit status.
#pragma once

#include "ConvertDocument.h"
#include "EnginePaths.h"
#include "Settings.h"
#include "SourceWalk.h"

#include <QByteArray>
#include <QString>

namespace cli {

class Progress;
class Report;
class Summary;

// Runs the conversion: checks SOURCE, TARGET and the rest, then walks SOURCE in one thread
// (a bounded queue between it and the workers, so memory stays flat however many files there
// are), converts in N worker threads, and on this thread writes the report, the progress line
// and the verbose lines as results come, and the summary at the end.
//
// On SIGINT or SIGTERM it stops handing out files, gives the documents under way a few seconds,
// then kills their engines; a second signal kills them at once. The report and the summary are
// completed and the exit status is 130.
class ArchiveConverter final {
public:
    explicit ArchiveConverter(Settings settings);

    // The exit status (exitcode namespace of CommandLine.h).
    int run();

    // How long documents under way get after an interruption.
    static constexpr int kGraceMs = 3000;

private:
    // Checks and prepares everything before the first file; an exit status on failure, else -1.
    int prepare(Report& report);
    // What the engine records of this run's publish settings; empty with the reason when it
    // cannot be asked.
    QString publishSettings(QString* why) const;
    void handle(const FileResult& result, Report& report, Summary& summary, Progress& progress);
    QByteArray shownSource(const FileResult& result) const;
    QByteArray shownTarget(const FileResult& result) const;
    // Writes "quillon-convert: subject: message" on standard error.
    static void diagnose(const QByteArray& subject, const QString& message);

    Settings m_settings;
    WalkSettings m_walk;
    ConvertSettings m_convert;
    QString m_engineProgram;
    EnginePaths m_paths;         // the macro, when its path is not UTF-8
    bool m_reportFailed = false; // no more lines are written once one could not be
};

} // namespace cli
