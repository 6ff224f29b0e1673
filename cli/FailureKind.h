// quillon-convert: why a file was not converted, in the words of the report and the summary.
#pragma once

#include <QString>

namespace cli {

// Why a file was skipped, failed, was written in part or ran out of time.
enum class FailureKind {
    None, // converted
    // Skipped.
    UpToDate,
    NotADocument,
    LinkOutOfSource,
    LinkToFolder,
    BrokenLink,
    NotAFile,
    InsideTarget,
    // Failed before any engine saw the file.
    NotFound,
    Unreadable,
    FolderUnreadable,
    OutsideSource,
    OutputInSource,
    TargetUnwritable,
    // Failed in the engine.
    EngineUnavailable,
    EngineCrashed,
    Interrupted,
    NotEnoughMemory,
    PublishFailed,
    Damaged, // written in part
    Timeout,
};

// The kind's word in the report ("link-out-of-source"); empty for None.
const char* reportWord(FailureKind kind);
// How the summary counts n files skipped for this kind ("2 links out of SOURCE"); the report's
// word for a kind that is never skipped.
QString summaryWords(FailureKind kind, qint64 n);

} // namespace cli
