// quillon-convert: folders held open, and files reached relative to them.
#pragma once

#include <QByteArray>

#include <memory>

namespace cli {

// An open folder (a descriptor), closed when the last task that holds it is done. The walk opens
// each folder once, relative to the one it found it in and without following a link; the files
// found there are then opened relative to it, so no link put in the place of a folder or a file
// later can lead a read or a write elsewhere, and no path grows too long to be opened.
class Folder final {
public:
    explicit Folder(int fd) : m_fd(fd) {}
    ~Folder();
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    int fd() const { return m_fd; }
    // A path by which another process (the engine) reaches this very folder, whatever happens
    // to its name meanwhile: "/proc/<pid>/fd/<fd>".
    QByteArray procPath() const;

private:
    int m_fd;
};
using FolderRef = std::shared_ptr<const Folder>;

namespace folders {

// Opens the path below folder ("a/b/c.wpd", or a name) one component at a time, following no
// link on the way nor at its end; `flags` are those of the last component (O_CLOEXEC and
// O_NOFOLLOW added). -1 with errno on failure (ELOOP where a link is met).
int openBelow(int folder, const QByteArray& relative, int flags);
// Opens the folder at the path below root, making the components that are missing, following no
// link. -1 with errno on failure.
int makeBelow(int root, const QByteArray& relative);
// Removes name in folder: a file, or a folder with what it holds (links not followed).
void removeAt(int folder, const QByteArray& name);

} // namespace folders
} // namespace cli
