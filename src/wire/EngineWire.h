// Quillon: the framing spoken between the application and its document engine.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

class QIODevice;

// The engine talks over a pair of pipes (its standard input and output). Every message is a
// frame: a 4-byte big-endian payload length followed by the payload. Lengths, never delimiters,
// mark the end of every field, so paths and texts may hold any bytes.
//
// Request payload: a sequence of fields, each a 4-byte big-endian length and that many UTF-8
// bytes. The first field is the operation name, the others its string arguments in order.
//
// Reply payload: one tag byte, then
//   'N'                       null
//   'B' <one byte 0 or 1>     Boolean
//   'S' <UTF-8 bytes>         text
//   'E' <4-byte BE number> <UTF-8 description>   a raised error
//   'D' <4-byte BE length> <UTF-8 text> <UTF-8 description>
//                             done in part: the document is damaged (its file ends before its
//                             structure does); the operation answered the text with what could
//                             be read, and the description says what is missing
//
// While a request takes longer than a second, the engine sends heartbeat frames (payload 'H'
// alone) from a thread of its own, about one a second, before the one reply. They are not
// replies: the client skips them, but they tell an engine that is working from one that is
// stopped or frozen, which sends nothing.
//
// On start the engine sends one reply frame before reading anything: 'S' followed by
// kEngineHello. A client that does not receive it in time treats the engine as missing.
namespace wire {

inline constexpr char kEngineHello[] = "quillon-engine/1";
// A frame larger than this is refused by both sides as corrupt.
inline constexpr quint32 kMaxFrame = 64u * 1024u * 1024u;
// How often a working engine sends a heartbeat.
inline constexpr int kHeartbeatIntervalMs = 1000;

struct Request {
    QString operation;
    QStringList arguments;
};

struct Reply {
    enum class Kind { Null, Boolean, Text, Error, Damaged };
    Kind kind = Kind::Null;
    bool boolean = false;
    QString text;      // the text, or the error's description
    qint32 number = 0; // the error's number
    QString damage;    // Damaged: what is missing and why

    static Reply null() { return {}; }
    static Reply fromBool(bool b);
    static Reply fromText(const QString& t);
    static Reply error(qint32 number, const QString& description);
    static Reply damaged(const QString& text, const QString& damage);
};

QByteArray encodeRequest(const Request& request);
std::optional<Request> decodeRequest(const QByteArray& payload);
QByteArray encodeReply(const Reply& reply);
std::optional<Reply> decodeReply(const QByteArray& payload);

// The payload of a heartbeat frame, and whether a payload is one.
QByteArray heartbeat();
bool isHeartbeat(const QByteArray& payload);

// Wraps a payload into a frame (length prefix added).
QByteArray frame(const QByteArray& payload);

// Takes one complete frame's payload off the front of buffer, if one is there. Sets corrupt
// when the announced length exceeds kMaxFrame.
std::optional<QByteArray> takeFrame(QByteArray& buffer, bool* corrupt = nullptr);

} // namespace wire
