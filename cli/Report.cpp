// quillon-convert: the report, one JSON object a line.
#include "Report.h"

#include "RawPath.h"
#include "WriteAll.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace cli {
namespace {

void field(QByteArray& out, const char* name, const QByteArray& bytes)
{
    out.append(",\"").append(name).append("\":");
    rawpath::appendJson(out, bytes);
}

void field(QByteArray& out, const char* name, qint64 value)
{
    out.append(",\"").append(name).append("\":").append(QByteArray::number(value));
}

} // namespace

Report::~Report()
{
    if (m_ownsFd)
        ::close(m_fd);
}

bool Report::open(const QByteArray& path, QString* error)
{
    if (path == "-") {
        m_fd = STDOUT_FILENO;
        return true;
    }
    m_fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    m_ownsFd = true;
    return true;
}

const char* Report::statusWord(FileResult::Status status)
{
    switch (status) {
    case FileResult::Status::Converted:
        return "converted";
    case FileResult::Status::Partial:
        return "partial";
    case FileResult::Status::Failed:
        return "failed";
    case FileResult::Status::TimedOut:
        return "timed-out";
    case FileResult::Status::Skipped:
        return "skipped";
    }
    return "";
}

QByteArray Report::line(const FileResult& r, const QByteArray& source, const QByteArray& target,
                        const QByteArray& targetFolder)
{
    QByteArray out("{\"source\":");
    rawpath::appendJson(out, source);
    if (!target.isEmpty())
        field(out, "target", target);
    out.append(",\"status\":\"").append(statusWord(r.status)).append('"');
    if (!r.task.collision.isEmpty() && r.hasOutput())
        field(out, "collision", r.task.collision.toUtf8());
    switch (r.status) {
    case FileResult::Status::Converted:
        break;
    case FileResult::Status::Skipped:
        field(out, "reason", QByteArray(reportWord(r.kind)));
        field(out, "message", r.message.toUtf8());
        break;
    case FileResult::Status::Partial:
    case FileResult::Status::Failed:
    case FileResult::Status::TimedOut:
        out.append(",\"error\":{\"kind\":");
        rawpath::appendJson(out, QByteArray(reportWord(r.kind)));
        field(out, "message", r.message.toUtf8());
        out.append('}');
        break;
    }
    if (!r.warning.isEmpty())
        field(out, "warning", r.warning.toUtf8());
    field(out, "ms", r.ms);
    if (r.status == FileResult::Status::Converted || r.status == FileResult::Status::Partial) {
        field(out, "pictures", r.pictures);
        if (r.picturesFailed > 0)
            field(out, "pictures_failed", r.picturesFailed);
        field(out, "bytes", r.bytes);
    }
    if (!r.sha256.isEmpty())
        field(out, "sha256", r.sha256.toUtf8());
    if (!r.files.empty()) {
        out.append(",\"files\":[");
        for (const OutputFile& f : r.files) {
            out.append(&f == &r.files.front() ? "{\"path\":" : ",{\"path\":");
            rawpath::appendJson(out, rawpath::join(targetFolder, f.path));
            field(out, "bytes", f.bytes);
            field(out, "sha256", f.sha256.toUtf8());
            out.append('}');
        }
        out.append(']');
    }
    out.append("}\n");
    return out;
}

bool Report::write(const FileResult& r, const QByteArray& source, const QByteArray& target,
                   const QByteArray& targetFolder)
{
    return m_fd < 0 || fs::writeAll(m_fd, line(r, source, target, targetFolder));
}

} // namespace cli
