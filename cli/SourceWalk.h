// quillon-convert: the files of a run, walked or listed, with their output names.
#pragma once

#include "FileTask.h"
#include "Folders.h"
#include "Settings.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QStringList>

#include <functional>
#include <list>
#include <sys/types.h>
#include <vector>

namespace cli {

struct WalkSettings {
    QByteArray source;          // absolute and clean, as named
    QByteArray canonicalSource; // with links resolved
    // SOURCE opened (for one document, the folder that holds it): every file is read relative
    // to it or to a folder the walk opened below it.
    FolderRef sourceFolder;
    bool sourceIsFile = false;
    QByteArray canonicalTarget;
    dev_t targetDevice = 0;
    ino_t targetInode = 0;
    QStringList extensions; // lower case; empty: every file
    QString outputExtension;
    Shard shard;
    QByteArray filesFrom; // empty: walk SOURCE
    bool nulSeparated = false;
};

// Produces the files of a run in a stable order, each with its output path below TARGET.
//
// The walk goes depth first: a folder's files in byte order of their names, then its subfolders
// in the same order. It opens each folder relative to the one it was found in, never through a
// link, and hands each file on with its folder open (see Folder), so depth does not matter and
// nothing swapped in later is followed. It never follows a link to a folder, hands on a link to
// a file only when the file lies in SOURCE (to be read through SOURCE's folders), and leaves
// TARGET out. Output names are decided per folder from all the folder's candidates (the regular
// files passing --extensions) before the shard is taken, knowing the names its subfolders get
// in TARGET, so every shard and every re-run gives each file the same output and no output
// takes a subfolder's name. A list (--files-from) is read entry by entry; the names are decided
// from a listing of each entry's folder, the same way; a file listed again is left out.
//
// Files that cannot be converted come with a verdict (a link out of SOURCE, a listed path
// outside it, a folder that cannot be read); files outside the shard or the extensions are not
// handed on at all.
class SourceWalk final {
public:
    // Returns false to stop the walk.
    using Sink = std::function<bool(FileTask&&)>;

    explicit SourceWalk(WalkSettings settings);

    // Hands each file to sink until it returns false. Returns false (with the reason in error)
    // only when the list cannot be read.
    bool run(const Sink& sink, QString* error = nullptr);

private:
    enum class Kind {
        File,
        Folder,
        Target,
        LinkOut,
        LinkOutToFolder,
        LinkToFolder,
        LinkBroken,
        LinkLoop,
        Unreachable, // cannot even be looked at (a folder without search permission)
        Special
    };
    struct Entry {
        QByteArray name;
        Kind kind = Kind::Special;
        QString output; // files: the output name
        QString collision;
        QByteArray linkTarget; // a link to a file within SOURCE: the file, below SOURCE
        int error = 0;         // Unreachable: why
    };
    struct Names {
        QHash<QByteArray, QString> output; // file name -> output name, where they collide
        QHash<QByteArray, QString> plain;
    };

    bool walk(const Sink& sink);
    bool readList(const Sink& sink, QString* error);
    bool single(const Sink& sink);

    // Lists the open folder, sorted, each entry classified, the files named. False when it
    // cannot be read (errno set).
    bool list(int folder, std::vector<Entry>& entries) const;
    Kind classify(int folder, Entry& entry, unsigned char type) const;
    bool wanted(const QByteArray& name) const;
    // The name a source folder gets below TARGET: itself when it is UTF-8, escaped otherwise,
    // and then kept apart from its siblings.
    static QByteArray folderOutput(int parent, const QByteArray& name);
    // A task for an entry of a folder: the verdict its kind calls for, the output path.
    FileTask task(const FolderRef& open, const QByteArray& folder, const QByteArray& relativeFolder,
                  const QByteArray& outputFolder, const Entry& entry) const;
    bool offer(const Sink& sink, FileTask&& task) const;
    // For listed files: the output name of a file in folder, from a cache of recent folders.
    const Names& namesOf(const QByteArray& relativeFolder, int folder);

    WalkSettings m_settings;
    QByteArray m_sourceInTarget;                      // where SOURCE lies in TARGET, when it does
    std::list<std::pair<QByteArray, Names>> m_recent; // most recent first
    QSet<QByteArray> m_listed;                        // files listed so far, below SOURCE
};

} // namespace cli
