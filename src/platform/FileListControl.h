// Quillon: a list of the file names of one folder, never shown.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QDir;

namespace platform {

// Lists the files of one folder by name (no sub-folders), leaving out hidden files (names
// starting with a dot) and anything that is not a regular file, in ascending order of name
// without regard to case. Setting Path refills the list at once.
class FileListControl final {
public:
    FileListControl() = default;

    // The folder as a full path: a root keeps its separator ("/"), any other folder is returned
    // without a trailing separator. Setting a folder that cannot be listed raises error 76
    // ("Path not found") and leaves the list empty.
    QString Path() const { return m_path; }
    void setPath(const QString& folder);

    int ListCount() const { return static_cast<int>(m_names.size()); }
    // The selected position, -1 when nothing is selected. Setting a position outside
    // 0..ListCount-1 raises error 380 ("Invalid property value").
    int ListIndex() const { return m_index; }
    void setListIndex(int index);
    // The selected entry's file name without folder; "" when nothing is selected.
    QString FileName() const;

    // Replaces the reading of a folder's file names (hidden files and anything that is not a
    // file left out), for folders a test cannot fill, such as the root; nullptr restores it.
    using Lister = std::function<QStringList(const QDir& folder)>;
    void setLister(Lister lister) { m_lister = std::move(lister); }

private:
    static QStringList listFiles(const QDir& folder);

    Lister m_lister;
    QString m_path;
    QStringList m_names;
    int m_index = -1;
};

} // namespace platform
