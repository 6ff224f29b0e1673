// Quillon: the framing spoken between the application and its document engine.
#include "EngineWire.h"

#include <QtEndian>

namespace wire {
namespace {

void putU32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

bool getU32(const QByteArray& in, qsizetype& pos, quint32& value)
{
    if (in.size() - pos < 4)
        return false;
    value = qFromBigEndian<quint32>(in.constData() + pos);
    pos += 4;
    return true;
}

} // namespace

Reply Reply::fromBool(bool b)
{
    Reply r;
    r.kind = Kind::Boolean;
    r.boolean = b;
    return r;
}

Reply Reply::fromText(const QString& t)
{
    Reply r;
    r.kind = Kind::Text;
    r.text = t;
    return r;
}

Reply Reply::error(qint32 number, const QString& description)
{
    Reply r;
    r.kind = Kind::Error;
    r.number = number;
    r.text = description;
    return r;
}

Reply Reply::damaged(const QString& t, const QString& why)
{
    Reply r;
    r.kind = Kind::Damaged;
    r.text = t;
    r.damage = why;
    return r;
}

QByteArray encodeRequest(const Request& request)
{
    QByteArray out;
    auto field = [&out](const QString& s) {
        const QByteArray utf8 = s.toUtf8();
        putU32(out, static_cast<quint32>(utf8.size()));
        out.append(utf8);
    };
    field(request.operation);
    for (const QString& a : request.arguments)
        field(a);
    return out;
}

std::optional<Request> decodeRequest(const QByteArray& payload)
{
    QStringList fields;
    qsizetype pos = 0;
    while (pos < payload.size()) {
        quint32 len = 0;
        if (!getU32(payload, pos, len) || payload.size() - pos < static_cast<qsizetype>(len))
            return std::nullopt;
        fields.append(QString::fromUtf8(payload.constData() + pos, static_cast<qsizetype>(len)));
        pos += len;
    }
    if (fields.isEmpty())
        return std::nullopt;
    Request r;
    r.operation = fields.takeFirst();
    r.arguments = fields;
    return r;
}

QByteArray encodeReply(const Reply& reply)
{
    QByteArray out;
    switch (reply.kind) {
    case Reply::Kind::Null:
        out.append('N');
        break;
    case Reply::Kind::Boolean:
        out.append('B');
        out.append(reply.boolean ? '\1' : '\0');
        break;
    case Reply::Kind::Text:
        out.append('S');
        out.append(reply.text.toUtf8());
        break;
    case Reply::Kind::Error:
        out.append('E');
        putU32(out, static_cast<quint32>(reply.number));
        out.append(reply.text.toUtf8());
        break;
    case Reply::Kind::Damaged: {
        const QByteArray text = reply.text.toUtf8();
        out.append('D');
        putU32(out, static_cast<quint32>(text.size()));
        out.append(text);
        out.append(reply.damage.toUtf8());
        break;
    }
    }
    return out;
}

std::optional<Reply> decodeReply(const QByteArray& payload)
{
    if (payload.isEmpty())
        return std::nullopt;
    const char tag = payload.at(0);
    switch (tag) {
    case 'N':
        return payload.size() == 1 ? std::optional<Reply>(Reply::null()) : std::nullopt;
    case 'B':
        if (payload.size() != 2)
            return std::nullopt;
        return Reply::fromBool(payload.at(1) != '\0');
    case 'S':
        return Reply::fromText(QString::fromUtf8(payload.constData() + 1, payload.size() - 1));
    case 'E': {
        qsizetype pos = 1;
        quint32 number = 0;
        if (!getU32(payload, pos, number))
            return std::nullopt;
        return Reply::error(static_cast<qint32>(number),
                            QString::fromUtf8(payload.constData() + pos, payload.size() - pos));
    }
    case 'D': {
        qsizetype pos = 1;
        quint32 length = 0;
        if (!getU32(payload, pos, length) || payload.size() - pos < qsizetype(length))
            return std::nullopt;
        return Reply::damaged(
            QString::fromUtf8(payload.constData() + pos, qsizetype(length)),
            QString::fromUtf8(payload.constData() + pos + length, payload.size() - pos - length));
    }
    default:
        return std::nullopt;
    }
}

QByteArray heartbeat()
{
    return QByteArrayLiteral("H");
}

bool isHeartbeat(const QByteArray& payload)
{
    return payload.size() == 1 && payload.at(0) == 'H';
}

QByteArray frame(const QByteArray& payload)
{
    QByteArray out;
    out.reserve(payload.size() + 4);
    putU32(out, static_cast<quint32>(payload.size()));
    out.append(payload);
    return out;
}

std::optional<QByteArray> takeFrame(QByteArray& buffer, bool* corrupt)
{
    if (corrupt)
        *corrupt = false;
    if (buffer.size() < 4)
        return std::nullopt;
    const quint32 len = qFromBigEndian<quint32>(buffer.constData());
    if (len > kMaxFrame) {
        if (corrupt)
            *corrupt = true;
        return std::nullopt;
    }
    if (buffer.size() - 4 < static_cast<qsizetype>(len))
        return std::nullopt;
    QByteArray payload = buffer.mid(4, len);
    buffer.remove(0, 4 + static_cast<qsizetype>(len));
    return payload;
}

} // namespace wire
