// quillon-convert: the counts of a run and the summary at its end.
#pragma once

#include "FileTask.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <map>
#include <vector>

namespace cli {

// Counts the files by how they ended and groups the failures by reason, keeping a few example
// files of each, so its size does not grow with the number of files.
class Summary final {
public:
    void add(const FileResult& result, const QByteArray& source);

    qint64 done() const { return m_converted + m_partial + m_failed + m_timedOut + m_skipped; }
    qint64 converted() const { return m_converted; }
    // Partial documents (damaged, written in part) count among the failures.
    qint64 problems() const { return m_partial + m_failed + m_timedOut; }

    // Several lines for standard error.
    QByteArray text(double seconds, bool interrupted) const;

    // The reason of a failure without the file's path, so that failures group.
    static QString reason(const FileResult& result);

private:
    struct Group {
        QString reason;
        qint64 count = 0;
        QList<QByteArray> examples;
    };

    qint64 m_converted = 0, m_partial = 0, m_failed = 0, m_timedOut = 0, m_skipped = 0,
           m_renamed = 0;
    std::vector<Group> m_groups;
    QHash<QString, size_t> m_groupIndex;
    std::map<FailureKind, qint64> m_skippedBy;
};

} // namespace cli
