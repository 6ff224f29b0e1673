// Quillon: what the document engine and its clients agree on.
#include "EngineContract.h"

#include <QStringList>

#include <climits>

namespace wire {
namespace {

constexpr char kMarkStart[] = "quillon-";
constexpr char kTemporaryEnd[] = ".tmp";

} // namespace

QString PublishAnswer::encode() const
{
    QString text = QStringLiteral("pictures=%1 failed=%2 bytes=%3")
                       .arg(pictures)
                       .arg(picturesFailed)
                       .arg(bytes.value_or(0));
    if (!sourceSha256.isEmpty())
        text += QStringLiteral(" source-sha256=") + sourceSha256;
    for (const File& f : files)
        text += QStringLiteral("\nfile %1 %2 %3").arg(f.bytes).arg(f.sha256, f.name);
    return text;
}

PublishAnswer PublishAnswer::parse(const QString& text)
{
    PublishAnswer answer;
    const QStringList lines = text.split(u'\n');
    for (const QString& pair : lines.value(0).split(u' ', Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.indexOf(u'=');
        const QStringView key = QStringView(pair).left(eq);
        const QStringView value = QStringView(pair).mid(eq + 1);
        if (key == u"pictures")
            answer.pictures = value.toInt();
        else if (key == u"failed")
            answer.picturesFailed = value.toInt();
        else if (key == u"bytes")
            answer.bytes = value.toLongLong();
        else if (key == u"source-sha256")
            answer.sourceSha256 = value.toString();
    }
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList fields = lines.at(i).split(u' ');
        if (fields.size() < 4 || fields.at(0) != QLatin1String("file"))
            continue;
        answer.files.push_back(
            {lines.at(i).section(u' ', 3), fields.at(1).toLongLong(), fields.at(2)});
    }
    return answer;
}

namespace temporary {

QByteArray mark(qint64 pid, quint32 random)
{
    return kMarkStart + QByteArray::number(pid) + '-' + QByteArray::number(random, 36);
}

std::optional<qint64> pidOf(const QByteArray& mark)
{
    if (!mark.startsWith(kMarkStart))
        return std::nullopt;
    bool ok = false;
    const qint64 pid = mark.split('-').value(1).toLongLong(&ok);
    return ok ? std::optional<qint64>(pid) : std::nullopt;
}

QByteArray suffix(const QByteArray& mark)
{
    return '.' + mark + kTemporaryEnd;
}

QByteArray name(const QByteArray& name, const QByteArray& mark)
{
    const QByteArray end = suffix(mark);
    return name.left(NAME_MAX - end.size()) + end;
}

bool isMarked(const QByteArray& entry, const QByteArray& name)
{
    const qsizetype at = entry.lastIndexOf(QByteArray(".") + kMarkStart);
    if (at < 0 || !entry.endsWith(kTemporaryEnd))
        return false;
    // A long name's start, when its marked name was shortened to the limit.
    const QByteArray before = entry.left(at);
    return name.isEmpty() || before == name ||
           (entry.size() == NAME_MAX && name.startsWith(before));
}

} // namespace temporary
} // namespace wire
