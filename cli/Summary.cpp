// quillon-convert: the counts of a run and the summary at its end.
#include "Summary.h"

#include "RawPath.h"

namespace cli {
namespace {

constexpr int kExamples = 3;
constexpr size_t kGroups = 20; // further reasons count as "other reasons"

} // namespace

QString Summary::reason(const FileResult& r)
{
    if (r.status == FileResult::Status::TimedOut)
        return QStringLiteral("timed out: ") + r.message;
    // Each says where its file ends; together they are one reason.
    if (r.status == FileResult::Status::Partial)
        return QStringLiteral("partial: the document is damaged (its file ends before its "
                              "contents do); what could be read was written");
    // Quoted paths go: "Cannot open "/a/b.wpd": it is damaged." -> "Cannot open: it is damaged."
    QString text = r.message;
    for (qsizetype open = text.indexOf(u'"'); open >= 0; open = text.indexOf(u'"', open)) {
        const qsizetype close = text.indexOf(u'"', open + 1);
        if (close < 0)
            break;
        if (!QStringView(text).mid(open, close - open).contains(u'/')) {
            open = close + 1;
            continue;
        }
        const qsizetype from = open > 0 && text.at(open - 1) == u' ' ? open - 1 : open;
        text.remove(from, close + 1 - from);
        open = from;
    }
    return text.isEmpty() ? QLatin1String(reportWord(r.kind)) : text;
}

void Summary::add(const FileResult& r, const QByteArray& source)
{
    if (!r.task.collision.isEmpty() && r.hasOutput())
        ++m_renamed;
    switch (r.status) {
    case FileResult::Status::Converted:
        ++m_converted;
        return;
    case FileResult::Status::Skipped:
        ++m_skipped;
        ++m_skippedBy[r.kind];
        return;
    case FileResult::Status::Partial:
        ++m_partial;
        break;
    case FileResult::Status::Failed:
        ++m_failed;
        break;
    case FileResult::Status::TimedOut:
        ++m_timedOut;
        break;
    }
    QString key = reason(r);
    if (!m_groupIndex.contains(key) && m_groups.size() >= kGroups)
        key = QStringLiteral("other reasons");
    auto found = m_groupIndex.constFind(key);
    if (found == m_groupIndex.constEnd()) {
        found = m_groupIndex.insert(key, m_groups.size());
        m_groups.push_back({key, 0, {}});
    }
    Group& group = m_groups[*found];
    ++group.count;
    if (group.examples.size() < kExamples)
        group.examples << source;
}

QByteArray Summary::text(double seconds, bool interrupted) const
{
    QString out = QStringLiteral("Converted %1 of %2 files in %3 s (%4 documents/s)")
                      .arg(m_converted)
                      .arg(done())
                      .arg(seconds, 0, 'f', 1)
                      .arg(seconds > 0 ? m_converted / seconds : 0.0, 0, 'f', 1);
    out += QStringLiteral("; %1 failed%2, %3 timed out, %4 skipped.\n")
               .arg(m_failed + m_partial)
               .arg(m_partial > 0
                        ? QStringLiteral(" (%1 of them damaged and written in part)").arg(m_partial)
                        : QString())
               .arg(m_timedOut)
               .arg(m_skipped);
    if (m_skipped > 0) {
        QStringList parts;
        for (const auto& [kind, n] : m_skippedBy)
            parts << QStringLiteral("%1 %2").arg(n).arg(summaryWords(kind, n));
        parts.sort();
        out += QStringLiteral("Skipped: %1.\n").arg(parts.join(QStringLiteral(", ")));
    }
    if (m_renamed > 0)
        out += QStringLiteral("Renamed: %1 output(s), to keep apart documents of one folder that "
                              "share a name (see the report).\n")
                   .arg(m_renamed);
    QByteArray bytes = out.toUtf8();
    if (!m_groups.empty()) {
        bytes += "Failures by reason:\n";
        for (const Group& g : m_groups) {
            bytes += "  " + QByteArray::number(g.count) + "  " + g.reason.toUtf8() + '\n';
            for (const QByteArray& example : g.examples)
                bytes += "       " + rawpath::display(example) + '\n';
        }
    }
    if (interrupted)
        bytes += "Interrupted: the files not yet started are left for another run.\n";
    return bytes;
}

} // namespace cli
