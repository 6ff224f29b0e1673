// Quillon tests: a stand-in for the document engine that speaks the engine's framing and
// misbehaves on request, so the client's handling of crashes, hangs and bad answers can be
// shown without the real engine.
//
// Options (any number):
//   --no-hello              never greet; wait until killed
//   --bad-hello             greet with the wrong text
//   --crash-on OP           abort when asked to run OP
//   --garbage-on OP         answer OP with a frame announcing an impossible length
//   --bad-reply-on OP       answer OP with a well-framed but unreadable payload
//   --slow-on OP MS         work on OP for MS milliseconds, sending a heartbeat every 200 ms,
//                           then answer it (MS 0: work for ever)
//
// Operations: Echo (answers its arguments joined by "|"), Pid (the process id), True, False,
// Null, Fail NUMBER DESCRIPTION (raises that error); anything else raises error 438.
//
// For the archive converter it also converts "documents": FileOpen reads the file, XMLPublish
// and HTMLPublish write "<fake/>" to the target through a temporary file, as the engine does,
// and answer as the engine does. What the document says makes it misbehave: MEMORY (FileOpen
// asks for a gigabyte), CRASH (the publish aborts), HANG (the publish writes its temporary file
// and stops answering), SLOW (the publish takes 300 ms).
#include "EngineContract.h"
#include "EngineWire.h"

#include <QString>
#include <QStringList>

#include <QFile>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

bool writeAll(const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, data, static_cast<size_t>(left));
        if (n <= 0)
            return false;
        data += n;
        left -= n;
    }
    return true;
}

bool send(const wire::Reply& reply)
{
    return writeAll(wire::frame(wire::encodeReply(reply)));
}

// Works for ms milliseconds (for ever when 0), beating every 200 ms as the real engine does.
void work(int ms)
{
    for (int worked = 0; ms == 0 || worked < ms; worked += 200) {
        ::usleep(static_cast<useconds_t>(std::min(200, ms == 0 ? 200 : ms - worked)) * 1000);
        writeAll(wire::frame(wire::heartbeat()));
    }
}

[[noreturn]] void hang()
{
    for (;;)
        ::pause();
}

QByteArray g_document; // what FileOpen read

wire::Reply publish(const QString& target)
{
    const QByteArray name = QFile::encodeName(target);
    const qsizetype slash = name.lastIndexOf('/') + 1;
    const QByteArray temporary =
        name.left(slash) +
        wire::temporary::name(name.mid(slash), wire::temporary::mark(::getpid(), 0));
    QFile file(QFile::decodeName(temporary));
    if (!file.open(QIODevice::WriteOnly) || file.write("<fake/>") != 7)
        return wire::Reply::error(wire::kAutomationError.number,
                                  QStringLiteral("Cannot write \"%1\"").arg(target));
    file.close();
    if (g_document.startsWith("CRASH"))
        std::abort();
    if (g_document.startsWith("HANG"))
        hang();
    if (g_document.startsWith("SLOW"))
        ::usleep(300 * 1000);
    ::rename(temporary.constData(), name.constData());
    return wire::Reply::fromText(QStringLiteral("pictures=0 failed=0 bytes=7"));
}

wire::Reply openDocument(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return wire::Reply::error(wire::kFileNotFound.number,
                                  QStringLiteral("File not found: \"%1\"").arg(path));
    g_document = file.readAll();
    if (g_document.startsWith("MEMORY")) {
        const size_t size = size_t(1) << 30;
        void* block = std::malloc(size);
        if (!block)
            return wire::Reply::error(
                wire::kOutOfMemory.number,
                QStringLiteral("Cannot open \"%1\": not enough memory (limit 512 MB).").arg(path));
        std::memset(block, 1, size);
        std::free(block);
    }
    return wire::Reply::null();
}

wire::Reply answer(const wire::Request& request)
{
    const QString& op = request.operation;
    if (op == wire::op::FileOpen && !request.arguments.isEmpty())
        return openDocument(request.arguments.at(0));
    if ((op == wire::op::XMLPublish || op == wire::op::HTMLPublish) && !request.arguments.isEmpty())
        return publish(request.arguments.at(0));
    if (op == wire::op::CloseNoSave || op == wire::op::XMLPublishSetJPEGOptions ||
        op == wire::op::ProvenanceSource)
        return wire::Reply::null();
    if (op == QLatin1String("Echo"))
        return wire::Reply::fromText(request.arguments.join(QLatin1Char('|')));
    if (op == QLatin1String("Pid"))
        return wire::Reply::fromText(QString::number(::getpid()));
    if (op == QLatin1String("True"))
        return wire::Reply::fromBool(true);
    if (op == QLatin1String("False"))
        return wire::Reply::fromBool(false);
    if (op == QLatin1String("Null"))
        return wire::Reply::null();
    if (op == QLatin1String("Fail") && request.arguments.size() == 2)
        return wire::Reply::error(request.arguments.at(0).toInt(), request.arguments.at(1));
    return wire::Reply::error(wire::kUnknownOperation.number, wire::kUnknownOperation.meaning);
}

} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    QString crashOn, garbageOn, badReplyOn, slowOn;
    int slowMs = 0;
    bool hello = true, badHello = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto next = [&]() { return i + 1 < argc ? QString::fromLocal8Bit(argv[++i]) : QString(); };
        if (arg == "--no-hello")
            hello = false;
        else if (arg == "--bad-hello")
            badHello = true;
        else if (arg == "--crash-on")
            crashOn = next();
        else if (arg == "--garbage-on")
            garbageOn = next();
        else if (arg == "--bad-reply-on")
            badReplyOn = next();
        else if (arg == "--slow-on") {
            slowOn = next();
            slowMs = next().toInt();
        }
    }

    if (!hello)
        hang();
    send(wire::Reply::fromText(badHello ? QStringLiteral("someone-else/9")
                                        : QString::fromLatin1(wire::kEngineHello)));

    QByteArray buffer;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n <= 0)
            return 0;
        buffer.append(chunk, n);
        while (std::optional<QByteArray> payload = wire::takeFrame(buffer)) {
            const std::optional<wire::Request> request = wire::decodeRequest(*payload);
            if (!request)
                return 2;
            const QString& op = request->operation;
            if (op == crashOn)
                std::abort();
            if (op == slowOn)
                work(slowMs);
            if (op == garbageOn) {
                writeAll(QByteArray("\xff\xff\xff\xff garbage", 12));
                continue;
            }
            if (op == badReplyOn) {
                writeAll(wire::frame(QByteArray("?unreadable")));
                continue;
            }
            if (!send(answer(*request)))
                return 0;
        }
    }
}
