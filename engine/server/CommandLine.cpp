// Quillon engine: the engine's command line.
#include "CommandLine.h"

#include "Engine.h"
#include "EngineContract.h"
#include "EngineError.h"
#include "Leftovers.h"
#include "Memory.h"
#include "WireServer.h"

#include <QTextStream>

#include <csignal>
#include <new>
#include <unistd.h>

namespace engine {
namespace {

QString usage()
{
    return QStringLiteral(
               "Usage: quillon-engine [--serve]\n"
               "       quillon-engine --publish xml|html INPUT OUTPUT [--quality N]\n"
               "       quillon-engine --version\n"
               "\n"
               "Without arguments, or with --serve, the engine serves the %1\n"
               "automation protocol on standard input and output. --publish converts one "
               "document.\n")
        .arg(wire::kProgId);
}

} // namespace

int CommandLine::run(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    // A file-size limit makes a write fail with "File too large" (reported like a full disk)
    // instead of killing the engine.
    std::signal(SIGXFSZ, SIG_IGN);
    const QString first = arguments.value(0);
    const bool serving =
        arguments.isEmpty() || (first == QLatin1String("--serve") && arguments.size() == 1);
    if (serving || first == QLatin1String("--publish"))
        Leftovers::removeAbandoned();
    if (serving)
        return serve();
    if (first == QLatin1String("--version") && arguments.size() == 1) {
        out << "quillon-engine " << QUILLON_ENGINE_VERSION << '\n';
        return 0;
    }
    if ((first == QLatin1String("--help") || first == QLatin1String("-h")) &&
        arguments.size() == 1) {
        out << usage();
        return 0;
    }
    if (first == QLatin1String("--publish"))
        return publish(arguments.mid(1), err);
    err << "quillon-engine: unknown arguments: " << arguments.join(QLatin1Char(' ')) << "\n\n"
        << usage();
    return kUsageError;
}

// Standard output carries frames only: the real descriptor is kept for the protocol and
// descriptor 1 is pointed at standard error, so whatever a library prints cannot corrupt it.
int CommandLine::serve()
{
    std::signal(SIGPIPE, SIG_IGN);
    const int wireOut = ::dup(STDOUT_FILENO);
    if (wireOut < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
        return 2;
    Engine engine;
    return WireServer(engine, STDIN_FILENO, wireOut).run();
}

int CommandLine::publish(const QStringList& arguments, QTextStream& err)
{
    QStringList positional;
    QString quality;
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--quality")) {
            if (i + 1 >= arguments.size()) {
                err << "quillon-engine: --quality needs a value\n";
                return kUsageError;
            }
            quality = arguments.at(++i);
        } else {
            positional << arguments.at(i);
        }
    }
    const QString format = positional.value(0).toLower();
    if (positional.size() != 3 ||
        (format != QLatin1String("xml") && format != QLatin1String("html"))) {
        err << "quillon-engine: --publish needs a format (xml or html), an input and an output\n\n"
            << usage();
        return kUsageError;
    }
    Engine engine;
    wire::Reply published;
    try {
        engine.invoke(wire::op::FileOpen, {positional.at(1)});
        if (!quality.isEmpty())
            engine.invoke(wire::op::XMLPublishSetJPEGOptions, {quality});
        published = engine.invoke(format == QLatin1String("xml") ? wire::op::XMLPublish
                                                                 : wire::op::HTMLPublish,
                                  {positional.at(2)});
        engine.invoke(wire::op::CloseNoSave, {});
    } catch (const EngineError& e) {
        err << "quillon-engine: " << e.description() << '\n';
        return e.exitCode();
    } catch (const std::bad_alloc&) {
        err << "quillon-engine: " << memory::shortage() << '\n';
        return memory::ranOut() ? EngineError(EngineError::Kind::OutOfMemory, {}).exitCode() : 1;
    }
    if (published.kind == wire::Reply::Kind::Damaged) {
        err << "quillon-engine: " << published.damage << '\n';
        return kDamaged;
    }
    return 0;
}

} // namespace engine
