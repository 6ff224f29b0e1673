// Quillon engine: the operations of the automation object the engine serves.
#pragma once

#include "Document.h"
#include "EngineWire.h"
#include "MacroPlayer.h"
#include "Provenance.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace engine {

struct PublishReport;
struct HtmlSettings;
class PictureCache;

// Holds the engine's state (the stack of open documents, the JPEG quality text, the insertion
// point of each document) and runs operations on it by name, matched without regard to case:
//
//   FileOpen(path)                  reads the document and makes it current
//   CloseNoSave                     closes the current document
//   XMLPublish(target)              writes the current document as DocBook XML
//   HTMLPublish(target)             writes the current document as HTML
//                                   (both answer a wire::PublishAnswer; for a damaged document,
//                                   one whose file ends before its structure does, with a
//                                   Damaged reply that says what is missing)
//   FileIsDocument(path)            True when the file is a WordPerfect document, readable or
//                                   not (damaged, of an unreadable version, password-protected)
//   XMLPublishSetJPEGOptions(text)  sets the JPEG quality of XML pictures (a number, 0..100)
//   MasterDocExpand                 expands subdocuments (libwpd reports none: no change)
//   envDocBlank                     True when the current document has no content
//   PosDocVeryTop                   moves the insertion point to the top
//   MacroFilePlay(path)             plays the macro file on the current document
//   envMacroPlaying                 True while a macro plays
//   ProvenanceSource(text)          the source path the outputs of the current document record
//                                   (by default the path it was opened from)
//   ProvenanceSettings(xml|html)    the publish settings the outputs of that format record
//
// Operation names and error numbers are those of EngineContract.h: an unknown operation, a
// missing argument and a file not found have numbers of their own, every other failure is the
// automation error, with a description that says what went wrong and names the file.
class Engine final {
public:
    Engine();
    ~Engine();

    // Runs an operation; a failure comes back as an error reply, never as an exception.
    wire::Reply call(const QString& operation, const QStringList& arguments);
    // Runs an operation; a failure raises EngineError.
    wire::Reply invoke(const QString& operation, const QStringList& arguments);

    int openDocumentCount() const { return static_cast<int>(m_documents.size()); }
    int jpegQuality() const { return m_jpegQuality; }

    // Documents left open beyond this many (an application that stops closing them) make room
    // by closing the oldest.
    static constexpr int kMaxOpenDocuments = 32;

private:
    struct OpenDocument {
        QString path;
        QString title;
        Document document;
        qsizetype insertionPoint = 0;
        std::unique_ptr<PictureCache> pictures; // rendered while the document was read
        wire::Provenance source;                // as it was when it was opened
    };
    using Handler = wire::Reply (Engine::*)(const QStringList&);
    struct Operation {
        QString name;
        int arguments;
        Handler handler;
    };

    static const QHash<QString, Operation>& operations();
    OpenDocument& current(const QString& operation);

    wire::Reply fileOpen(const QStringList& args);
    wire::Reply closeNoSave(const QStringList& args);
    wire::Reply xmlPublish(const QStringList& args);
    wire::Reply htmlPublish(const QStringList& args);
    wire::Reply fileIsDocument(const QStringList& args);
    wire::Reply setJpegOptions(const QStringList& args);
    wire::Reply masterDocExpand(const QStringList& args);
    wire::Reply docBlank(const QStringList& args);
    wire::Reply posDocVeryTop(const QStringList& args);
    wire::Reply macroFilePlay(const QStringList& args);
    wire::Reply macroPlaying(const QStringList& args);
    wire::Reply provenanceSource(const QStringList& args);
    wire::Reply provenanceSettings(const QStringList& args);
    // What an output of the current document in this format records.
    wire::Provenance provenance(const OpenDocument& document, const QString& settings) const;
    QString settingsText(const QString& format, const HtmlSettings& html) const;
    static wire::Reply report(const PublishReport& report, const OpenDocument& doc,
                              const QString& target);

    std::vector<OpenDocument> m_documents;
    int m_jpegQuality = 80;
    macro::MacroPlayer m_player;
};

} // namespace engine
