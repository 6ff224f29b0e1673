// Quillon: a list of the file names of one folder, never shown.
#include "FileListControl.h"

#include "Error.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace platform {
namespace {

constexpr int kPathNotFound = 76;
constexpr int kInvalidPropertyValue = 380;

} // namespace

void FileListControl::setPath(const QString& folder)
{
    m_names.clear();
    m_index = -1;

    const QFileInfo info(folder);
    QDir dir(folder);
    if (folder.isEmpty() || !info.isDir() || !dir.isReadable()) {
        m_path = QDir::cleanPath(info.absoluteFilePath());
        throw Error(kPathNotFound, QStringLiteral("Path not found"));
    }
    // cleanPath keeps the root's "/" and drops any other trailing separator.
    m_path = QDir::cleanPath(dir.absolutePath());
    m_names = m_lister ? m_lister(dir) : listFiles(dir);
    std::sort(m_names.begin(), m_names.end(), [](const QString& a, const QString& b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : QString::compare(a, b, Qt::CaseSensitive) < 0;
    });
}

QStringList FileListControl::listFiles(const QDir& folder)
{
    // Without QDir::Hidden, names starting with a dot are left out; without System, devices,
    // sockets, fifos and broken links are. Links to regular files are listed as files.
    const QFileInfoList entries =
        folder.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
    QStringList names;
    names.reserve(entries.size());
    for (const QFileInfo& entry : entries) {
        if (!entry.fileName().startsWith(QLatin1Char('.')))
            names.append(entry.fileName());
    }
    return names;
}

void FileListControl::setListIndex(int index)
{
    if (index < 0 || index >= m_names.size())
        throw Error(kInvalidPropertyValue, QStringLiteral("Invalid property value"));
    m_index = index;
}

QString FileListControl::FileName() const
{
    return m_index >= 0 && m_index < m_names.size() ? m_names.at(m_index) : QString();
}

} // namespace platform
