// quillon-convert: paths as the engine can take them.
#include "EnginePaths.h"

#include "RawPath.h"

#include <QDir>
#include <QFile>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace cli {

EnginePaths::~EnginePaths()
{
    if (!m_folder.isEmpty())
        rawpath::removeAll(m_folder);
}

// A link is made and removed for every document: in memory (the user's runtime folder, else
// /dev/shm) that costs a quarter of what it costs on a disk's journal.
QByteArray EnginePaths::makeFolder()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    for (const QByteArray& base :
         {runtime, QByteArray("/dev/shm"), QFile::encodeName(QDir::tempPath())}) {
        struct stat st {};
        if (base.isEmpty() || ::stat(base.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            continue;
        QByteArray pattern = base + "/quillon-convert-XXXXXX";
        if (::mkdtemp(pattern.data()))
            return pattern;
    }
    return {};
}

QString EnginePaths::name(const QByteArray& path, const QByteArray& slot)
{
    if (rawpath::isUtf8(path))
        return QString::fromUtf8(path);
    return link(path, slot, rawpath::fileName(path));
}

QString EnginePaths::link(const QByteArray& to, const QByteArray& slot, const QByteArray& fileName)
{
    if (m_folder.isEmpty()) {
        m_folder = makeFolder();
        if (m_folder.isEmpty())
            return {};
    }
    const QByteArray folder = rawpath::join(m_folder, slot);
    QByteArray& last = m_links[slot];
    if (last.isEmpty())
        ::mkdir(folder.constData(), 0700);
    else
        ::unlink(last.constData());
    // U+FFFD for the bytes that are not text, which is valid UTF-8 from here on.
    last = rawpath::join(folder, QString::fromUtf8(fileName).toUtf8());
    if (::symlink(to.constData(), last.constData()) != 0) {
        last.clear();
        rawpath::removeAll(folder);
        return {};
    }
    return QString::fromUtf8(last);
}

} // namespace cli
