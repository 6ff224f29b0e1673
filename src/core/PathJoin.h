// Quillon: building paths from a folder and a file name.
#pragma once

#include <QString>

// The folder followed by the name, with exactly one separator between them: "/" is added
// unless the folder already ends with a separator (a root such as "/" does). An empty folder
// gives the name alone.
QString JoinPath(const QString& folder, const QString& name);

// The folder a converted document is written to: the stored target folder, or the document's
// own folder when no target folder is stored (never the file system's root).
QString TargetFolderFor(const QString& storedTarget, const QString& sourcePath);
