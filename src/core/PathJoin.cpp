// Quillon: building paths from a folder and a file name.
#include "PathJoin.h"

#include "clsFileSystem.h"

namespace {

bool endsWithSeparator(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\'));
}

} // namespace

QString JoinPath(const QString& folder, const QString& name)
{
    if (folder.isEmpty() || endsWithSeparator(folder))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

QString TargetFolderFor(const QString& storedTarget, const QString& sourcePath)
{
    if (!storedTarget.isEmpty())
        return storedTarget;
    return clsFileSystem().GetPath(sourcePath);
}
