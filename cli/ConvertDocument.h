// quillon-convert: the conversion of one file, a command run by a worker.
#pragma once

#include "FileTask.h"
#include "Folders.h"
#include "Settings.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace platform {
class EngineAutomationClient;
class Error;
} // namespace platform

namespace cli {

class EnginePaths;

// What every conversion of a run shares.
struct ConvertSettings {
    QByteArray target;      // TARGET, absolute and clean
    FolderRef targetFolder; // TARGET opened: outputs are made relative to it
    QString engineMacro;    // the macro as the engine names it; empty for none
    Format format = Format::Xml;
    int quality = 80;
    int timeoutMs = 0; // per document; 0: none
    bool skipExisting = false;
    bool checksum = false;   // skipping needs the same SHA-256 too
    QString publishSettings; // with skipExisting: what the engine records of the settings
};

// Converts one file with the worker's engine, the way the batch dialog does (open, the macro,
// publish, close: platform::PublishDocument), and says how it ended. It never raises: every failure
// ends up in the result. The document is opened here, relative to the folder the walk found it in
// and without following a link, and the engine reads that very file through this process's
// descriptor; the output's folder is opened (made where missing) relative to TARGET the same way,
// and the engine writes into that very folder. So a link swapped in after the walk leads nothing
// elsewhere. A file the engine finds not to be a WordPerfect document is skipped. When the engine
// dies or runs past the time limit, the client ends it (the next file starts a fresh one), and the
// temporary files its publish may have left are removed.
class ConvertDocument final {
public:
    // started: told the engine's process id whenever a document is about to reach the engine.
    ConvertDocument(const ConvertSettings& settings, platform::EngineAutomationClient& engine,
                    EnginePaths& paths, std::function<void(qint64)> started);

    FileResult execute(FileTask task);

private:
    // Whether the output (name in its open folder) records that it was made from this very file
    // (open as source) with these settings; with a checksum, the file's SHA-256 goes into the
    // result.
    bool upToDate(int source, int folder, const QByteArray& name, FileResult& result) const;
    // Opens the source (-1 with the result set when it cannot be).
    int openSource(FileResult& result);
    bool prepareTarget(const QByteArray& target, FileResult& result);
    // The output's folder, open; made when `make` is set. Null (with *why) when it cannot be.
    FolderRef outputFolder(const QByteArray& relative, bool make, QString* why);
    // The engine's description with the names the engine was given put back as the user's.
    QString shownText(const QString& description) const;
    // The result for an error the engine client raised; false when it is not the engine's
    // end (the engine answered with an error).
    bool engineEnded(const platform::Error& error, FileResult& result) const;
    void classifyOpenFailure(const platform::Error& error, const QString& source,
                             FileResult& result);

    const ConvertSettings& m_settings;
    platform::EngineAutomationClient& m_engine;
    EnginePaths& m_paths;
    std::function<void(qint64)> m_started;
    QByteArray m_readyName; // the last output folder made, below TARGET
    FolderRef m_ready;      // and open
    // The current document's names: as the engine has them, and as the user knows them.
    QString m_engineSource, m_engineTarget;
    QByteArray m_source, m_target;
};

} // namespace cli
