// Quillon: converts WordPerfect documents to XML or HTML.
#include "AppIdentity.h"
#include "EngineContract.h"
#include "General.h"
#include "Guard.h"
#include "QuickStartPictures.h"
#include "StartOptions.h"
#include "automation/EngineAutomationClient.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>

int main(int argc, char* argv[])
{
    // Help and version are answered before connecting to a display, so they work anywhere.
    QStringList raw;
    for (int i = 0; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    const StartOptions early = ParseStartOptions(raw.mid(1));
    if (early.action == StartOptions::Action::Help) {
        std::fputs(qPrintable(StartUsage()), stdout);
        return 0;
    }
    if (early.action == StartOptions::Action::Version) {
        std::fputs(qPrintable(StartVersion()), stdout);
        return 0;
    }

    QApplication app(argc, argv);
    // The windows' class; it also lets the desktop match them to the installed desktop entry and
    // its icon.
    QApplication::setApplicationName(platform::appName());
    QGuiApplication::setDesktopFileName(platform::desktopId());
    QApplication::setWindowIcon(appIcon(platform::desktopId()));

    // Qt has taken its own options out by now.
    const StartOptions options = ParseStartOptions(QApplication::arguments().mid(1));
    if (options.action == StartOptions::Action::Error) {
        std::fprintf(stderr, "quillon: %s\nTry 'quillon --help' for more information.\n",
                     qPrintable(options.error));
        return 2;
    }

    // The word processor is our document engine, a separate program.
    platform::EngineAutomationClient::Options engine;
    engine.program = platform::EngineAutomationClient::defaultProgram();
    platform::RegisterServer(wire::kProgId, platform::EngineAutomationClient::factory(engine));

    platform::Guarded([&options] { Main(options.document); });
    return QApplication::exec();
}
