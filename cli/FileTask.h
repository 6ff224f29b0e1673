// quillon-convert: one file of the run, as the walk finds it and as its conversion ends.
#pragma once

#include "FailureKind.h"
#include "Folders.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace cli {

// A file found by the walk or read from the list, with the output it gets.
struct FileTask {
    // What to do with the file before any engine sees it.
    enum class Verdict { Convert, Skip, Fail };

    QByteArray source; // absolute and clean: what the report and messages call it
    // Where the file is read from: its name (or, for a link within SOURCE, the path it leads to)
    // below this folder, opened by the walk.
    FolderRef folder;
    QByteArray name;
    QByteArray relative; // source below SOURCE; for a listed file outside it, as listed
    QByteArray output;   // output below TARGET, UTF-8 (names that are not are escaped)
    QString collision;   // the plain output name, when another file of the folder took it
    Verdict verdict = Verdict::Convert;
    FailureKind kind = FailureKind::None; // with Skip or Fail: why
    QString message;                      // with Skip or Fail: what happened, in words
};

// A file an engine wrote for a document: its path below TARGET, size and SHA-256.
struct OutputFile {
    QByteArray path;
    qint64 bytes = 0;
    QString sha256;
};

// How the conversion of one file ended.
struct FileResult {
    // Partial: a damaged document (its file ends before its structure does), written as far as
    // it could be read; a failure all the same.
    enum class Status { Converted, Partial, Failed, TimedOut, Skipped };

    FileTask task;
    Status status = Status::Converted;
    FailureKind kind = FailureKind::None; // partial, failed, timed out or skipped: why
    QString message; // partial, failed, timed out or skipped: the reason in words
    QString warning; // converted all the same (a macro that failed)
    qint64 ms = 0;
    int pictures = 0;
    int picturesFailed = 0;
    qint64 bytes = 0;
    QString sha256;                // the document's, when known
    std::vector<OutputFile> files; // converted: the output first, then its pictures

    // Whether the file has an output: converted or failed on the way, or skipped as up to date
    // (not a file skipped for what it is).
    bool hasOutput() const
    {
        return !task.output.isEmpty() &&
               (status != Status::Skipped || kind == FailureKind::UpToDate);
    }
};

} // namespace cli
