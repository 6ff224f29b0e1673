// quillon-convert: paths as the engine can take them.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

namespace cli {

// The engine takes paths as UTF-8 text. A path that is not UTF-8, or a file this process holds
// open (a descriptor's name in /proc), reaches it through a symbolic link in a private temporary
// folder (in memory where the system has one), made on first need and removed with this object.
// The link keeps the file's name (as far as it is text), so the engine's fallback title reads
// well.
class EnginePaths final {
public:
    EnginePaths() = default;
    ~EnginePaths();
    EnginePaths(const EnginePaths&) = delete;
    EnginePaths& operator=(const EnginePaths&) = delete;

    // The path as text, or a link to it in the slot (a link made in a slot replaces the slot's
    // last one). An empty result when the link cannot be made.
    QString name(const QByteArray& path, const QByteArray& slot);
    // A link named fileName (as far as it is text) to `to` in the slot, replacing the slot's
    // last one. Empty when it cannot be made.
    QString link(const QByteArray& to, const QByteArray& slot, const QByteArray& fileName);

private:
    static QByteArray makeFolder();
    QByteArray m_folder;
    QHash<QByteArray, QByteArray> m_links; // the last link made in each slot
};

} // namespace cli
