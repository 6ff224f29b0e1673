// Quillon: the shell's folder browser.
#include "FolderBrowser.h"

#include <QFileDialog>

namespace platform {
namespace {

class QtFolderBrowserProvider final : public FolderBrowserProvider {
public:
    QString browse(const QString& title) override
    {
        // An empty result is Qt's answer for a cancelled dialog as well.
        return QFileDialog::getExistingDirectory(nullptr, title, QString(),
                                                 QFileDialog::ShowDirsOnly);
    }
};

QtFolderBrowserProvider g_default;
FolderBrowserProvider* g_provider = &g_default;

} // namespace

FolderBrowserProvider* setFolderBrowserProvider(FolderBrowserProvider* provider)
{
    FolderBrowserProvider* previous = g_provider == &g_default ? nullptr : g_provider;
    g_provider = provider ? provider : &g_default;
    return previous;
}

QString BrowseForFolder(const QString& title)
{
    return g_provider->browse(title);
}

} // namespace platform
