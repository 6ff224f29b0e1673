// Quillon: the shell's folder browser.
#pragma once

#include <QString>

namespace platform {

// Shows folder browsers. The default uses QFileDialog::getExistingDirectory without an owner;
// tests install one that answers from a script.
class FolderBrowserProvider {
public:
    virtual ~FolderBrowserProvider() = default;
    // Returns the chosen folder's full path, or "" when cancelled.
    virtual QString browse(const QString& title) = 0;
};

FolderBrowserProvider* setFolderBrowserProvider(FolderBrowserProvider* provider);

// Shows the folder browser with this title; returns the chosen folder or "" when cancelled.
// Only folders of the file system can be chosen.
QString BrowseForFolder(const QString& title);

} // namespace platform
