// Quillon: what the document engine and its clients agree on, beyond the framing of
// EngineWire.h: the automation object's name, its operations, the error numbers it raises, the
// answer of a publish, and the names a publish writes under until it is done.
#pragma once

#include <QByteArray>
#include <QLatin1String>
#include <QString>

#include <optional>
#include <vector>

namespace wire {

// The automation object the engine serves.
inline constexpr QLatin1String kProgId("WordPerfect.PerfectScript");

// The operations, by the names the engine matches (without regard to case). Arguments are
// strings: a path for FileOpen, FileIsDocument and MacroFilePlay, the target for the publishes,
// the quality text for XMLPublishSetJPEGOptions, the source as outputs record it for
// ProvenanceSource, "xml" or "html" for ProvenanceSettings; the others take none. The engine's
// README says what each does and answers.
namespace op {
inline constexpr QLatin1String FileOpen("FileOpen");
inline constexpr QLatin1String CloseNoSave("CloseNoSave");
inline constexpr QLatin1String XMLPublish("XMLPublish");
inline constexpr QLatin1String HTMLPublish("HTMLPublish");
inline constexpr QLatin1String XMLPublishSetJPEGOptions("XMLPublishSetJPEGOptions");
inline constexpr QLatin1String MasterDocExpand("MasterDocExpand");
inline constexpr QLatin1String envDocBlank("envDocBlank");
inline constexpr QLatin1String PosDocVeryTop("PosDocVeryTop");
inline constexpr QLatin1String MacroFilePlay("MacroFilePlay");
inline constexpr QLatin1String envMacroPlaying("envMacroPlaying");
inline constexpr QLatin1String FileIsDocument("FileIsDocument");
inline constexpr QLatin1String ProvenanceSource("ProvenanceSource");
inline constexpr QLatin1String ProvenanceSettings("ProvenanceSettings");
} // namespace op

// An automation error number and what it means.
struct ErrorNumber {
    qint32 number;
    QLatin1String meaning;
};

// The numbers the engine raises. Every failure that has no number of its own (no document
// open, a file that is not a document or is damaged, a target that cannot be written, a macro
// that fails, a request that cannot be decoded, ...) is kAutomationError.
inline constexpr ErrorNumber kOutOfMemory{7, QLatin1String("Out of memory")};
inline constexpr ErrorNumber kFileNotFound{53, QLatin1String("File not found")};
inline constexpr ErrorNumber kUnknownOperation{
    438, QLatin1String("Object doesn't support this property or method")};
inline constexpr ErrorNumber kAutomationError{440, QLatin1String("Automation error")};
inline constexpr ErrorNumber kArgumentNotOptional{449, QLatin1String("Argument not optional")};

// What XMLPublish and HTMLPublish answer, as text: the line
//   pictures=N failed=N bytes=N[ source-sha256=HEX]
// (pictures written, pictures that could not be converted, bytes of every file written, the
// document's SHA-256 when known), then a line "file BYTES SHA256 NAME" for each file written,
// the target first, NAME relative to the target's folder (it may hold spaces).
struct PublishAnswer {
    struct File {
        QString name;
        qint64 bytes = 0;
        QString sha256;
    };

    int pictures = 0;
    int picturesFailed = 0;
    std::optional<qint64> bytes; // none: the answer did not say
    QString sourceSha256;        // empty: not known
    std::vector<File> files;

    QString encode() const;
    // What it cannot make out (an unknown key, a short line) is left out.
    static PublishAnswer parse(const QString& text);
};

// Every file of a publish (and a picture folder it makes) is written under a name marked as
// that publish's, "<name>.<mark>.tmp", and renamed into place when all are written. The mark,
// "quillon-<pid>-<random>", also names the publish's note of unfinished work.
namespace temporary {
QByteArray mark(qint64 pid, quint32 random);
// The process that made the mark; none when it is not a mark.
std::optional<qint64> pidOf(const QByteArray& mark);
// What every name marked with this mark ends with.
QByteArray suffix(const QByteArray& mark);
// The name marked, its start shortened where a file name's length limit needs.
QByteArray name(const QByteArray& name, const QByteArray& mark);
// Whether entry is a name marked by some publish for this name (shortened or not); for any name
// when it is empty.
bool isMarked(const QByteArray& entry, const QByteArray& name);
} // namespace temporary

} // namespace wire
