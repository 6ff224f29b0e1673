// Quillon engine: the files one publish writes, put in place together or not at all.
#pragma once

#include "EngineContract.h"

#include <QByteArray>
#include <QString>

#include <mutex>
#include <optional>
#include <vector>

namespace engine {

// A file a publish put in place: its name relative to the target's folder
// ("report_files/picture1.jpg"), its size and its SHA-256 in lower-case hexadecimal, as the
// publish's answer names it.
using WrittenFile = wire::PublishAnswer::File;

// Every file of one publish (the target, and pictures and a style sheet in the companion folder
// "<target's base name>_files" beside it) is made under a temporary name marked as this
// publish's (wire::temporary; a companion folder that does not exist yet is made under such a
// name too) and put in place by commit(): companions first, the target last.
// Until then nothing the user had is touched; a failure, or destroying the object before
// commit(), removes everything made. A publish killed before either leaves a note behind that
// the next engine to start acts on (Leftovers).
//
// Links are never written through. The target's name is replaced: a link there becomes the
// published file and what it pointed to stays as it was; so are the names of pictures in the
// companion folder. A companion folder that is a link is refused: replacing it would destroy a
// link someone may have made on purpose, writing into it would write wherever it points.
//
// A target that is a pipe or a terminal (or another character device such as /dev/null), or
// one of the engine's own descriptors (/dev/stdout, /dev/fd/N, or a link to one), is written
// into as a stream, never replaced; having no folder beside it, it takes no pictures. A target
// that is any other kind of file that is not a regular one (a block device, a socket) is refused.
//
// The constructor refuses a target that cannot be written (no name, a folder, a folder that
// cannot be reached, a device) before anything is made. Every failure raises EngineError
// (WriteFailed) naming the target, with the reason. writeCompanion may be called from several
// threads at once.
class OutputFiles final {
public:
    explicit OutputFiles(const QString& target);
    ~OutputFiles();
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;

    // The companion folder's name ("report_files").
    const QString& companionName() const { return m_companionName; }

    void writeCompanion(const QString& name, const QByteArray& bytes);
    void writeTarget(const QByteArray& bytes);
    void commit();
    // The bytes of every file written.
    qint64 bytesWritten() const { return m_bytes; }
    // Every file written, the target first, then the companions by name.
    std::vector<WrittenFile> written() const;

private:
    struct Companion {
        QByteArray tempName; // in the companion folder
        QByteArray name;
    };
    enum class Folder { NotYet, Made, Existing };

    [[noreturn]] void fail(const QString& why) const;
    [[noreturn]] void failSystem(const QString& what, int error) const;
    [[noreturn]] void failFolder(const QString& path, int error) const;
    void judgeTarget();
    QByteArray tempName(const QByteArray& name) const;
    void noteOnce();
    int companionFolder();
    void moveIntoExistingFolder();
    void rollback();

    QString m_target;
    QString m_companionName;
    QByteArray m_name;      // the target's file name
    QByteArray m_companion; // the companion folder's file name
    QByteArray m_token;
    QByteArray m_folderPath; // the target's folder, absolute
    int m_note = -1;         // the note left for a kill, once written
    int m_folderFd = -1;
    int m_companionFd = -1;
    Folder m_folder = Folder::NotYet;
    QByteArray m_madeFolder; // the temporary name of a companion folder this publish made
    QByteArray m_targetTemp;
    WrittenFile m_written; // the target, once written
    std::vector<WrittenFile> m_companionsWritten;
    std::vector<Companion> m_companions;
    // The target as a stream: the descriptor it names, or -1 to open it.
    std::optional<int> m_stream;
    bool m_noted = false;
    bool m_committed = false;
    qint64 m_bytes = 0;
    std::mutex m_lock;
};

} // namespace engine
