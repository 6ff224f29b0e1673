// Quillon: output paths that never replace an output written earlier in the same run.
#include "OutputNames.h"

#include <algorithm>

namespace fs {
namespace {

// The position just after the last separator: where the file name starts.
qsizetype nameStart(const QString& path)
{
    return std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\')) + 1;
}

} // namespace

QString OutputNames::claim(const QString& plainTarget, const QString& sourcePath)
{
    QString target = plainTarget;
    if (m_claimed.contains(target)) {
        const qsizetype start = nameStart(plainTarget);
        const qsizetype dot = plainTarget.lastIndexOf(u'.');
        const QString extension = dot >= start ? plainTarget.mid(dot) : QString();
        const QString stem = plainTarget.left(start) + sourcePath.mid(nameStart(sourcePath));
        target = stem + extension;
        for (int n = 2; m_claimed.contains(target); ++n)
            target = stem + QStringLiteral(" (%1)").arg(n) + extension;
    }
    m_claimed.insert(target);
    return target;
}

} // namespace fs
