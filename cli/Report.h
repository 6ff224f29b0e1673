// quillon-convert: the report, one JSON object a line.
#pragma once

#include "FileTask.h"

#include <QByteArray>
#include <QString>

namespace cli {

// Writes a line for each file as it is done, straight to the file (no buffer to lose when the
// run is killed):
//   {"source":"docs/a.wpd","target":"out/a.xml","status":"converted","ms":12,"pictures":1,
//    "bytes":10412,"sha256":"...","files":[{"path":"out/a.xml","bytes":9500,"sha256":"..."},
//    {"path":"out/a_files/picture1.jpg","bytes":912,"sha256":"..."}]}
// "status" is converted, partial, failed, timed-out or skipped. A partial (a damaged document
// written as far as it could be read), failed or timed-out file has
// "error":{"kind":...,"message":...}, a skipped one "reason" and "message"; "collision" names the
// plain output name another file of the folder took; "warning" what went wrong without failing
// the file (a macro), "pictures_failed" the pictures that could not be converted; "sha256" is
// the document's (converted, or skipped as up to date with --checksum), "files" the files
// written with their sizes and SHA-256, for fixity checks. Paths are bytes turned into JSON as
// rawpath::appendJson says.
class Report final {
public:
    Report() = default;
    ~Report();
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    // path: a file (created or emptied) or "-" for standard output. False with the reason.
    bool open(const QByteArray& path, QString* error);
    // False when the write fails (the disk is full, the reader of the pipe went away), with
    // errno saying why.
    bool write(const FileResult& result, const QByteArray& source, const QByteArray& target,
               const QByteArray& targetFolder);

    // target: where the output goes or would have gone; left out when empty. targetFolder:
    // TARGET as shown, before the paths of the files written.
    static QByteArray line(const FileResult& result, const QByteArray& source,
                           const QByteArray& target, const QByteArray& targetFolder);
    static const char* statusWord(FileResult::Status status);

private:
    int m_fd = -1;
    bool m_ownsFd = false;
};

} // namespace cli
