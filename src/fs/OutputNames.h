// Quillon: output paths that never replace an output written earlier in the same run.
#pragma once

#include <QSet>
#include <QString>

namespace fs {

// Hands out the output path of each source document of one run (one batch, one folder), so
// that no document replaces the output of another. The first source to claim a path keeps it
// ("a.wpd" -> "a.xml"); a later source whose path was claimed before keeps its whole file name
// and adds the output's extension ("a.WPD" -> "a.WPD.xml"); should that be claimed too,
// " (2)", " (3)" ... goes before the extension ("a.WPD (2).xml"). Paths compare exactly, as
// the file system compares names. The names depend only on the order of the claims: callers
// claim in the order they convert.
class OutputNames final {
public:
    // plainTarget is the path the naming rules give (folder, base name, output extension);
    // sourcePath is the document, whose file name stands in when plainTarget is taken.
    // Both "/" and "\" separate folders from names.
    QString claim(const QString& plainTarget, const QString& sourcePath);

private:
    QSet<QString> m_claimed;
};

} // namespace fs
