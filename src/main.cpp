// Quillon: converts WordPerfect documents to XML or HTML.
#include "General.h"
#include "Guard.h"
#include "automation/EngineAutomationClient.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillon"));

    // The word processor is our document engine, a separate program beside this one.
    platform::EngineAutomationClient::Options engine;
    engine.program = platform::EngineAutomationClient::defaultProgram();
    platform::RegisterServer(QStringLiteral("WordPerfect.PerfectScript"),
                             platform::EngineAutomationClient::factory(engine));

    platform::Guarded([] { Main(); });
    return QApplication::exec();
}
