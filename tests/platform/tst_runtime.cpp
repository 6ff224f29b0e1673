// Quillon tests: message boxes, the event-handler guard, ending the program, the automation
// registry and the wait for a macro.
#include "AppIdentity.h"
#include "AutomationObject.h"
#include "Doubles.h"
#include "EngineContract.h"
#include "Error.h"
#include "Guard.h"
#include "MacroPlay.h"
#include "MessageBox.h"
#include "ProgramExit.h"
#include "ScriptedAutomationServer.h"

#include <QTest>
#include <stdexcept>

using namespace platform;

class TestRuntime : public QObject {
    Q_OBJECT

private slots:
    void messageBoxFillsInTheTitle()
    {
        testsupport::RecordingMessageBox boxes;
        boxes.queueAnswer(MsgResult::No);
        QCOMPARE(MsgBox(QStringLiteral("Sure?"), MsgButtons::YesNo, MsgIcon::Exclamation),
                 MsgResult::No);
        QCOMPARE(MsgBox(QStringLiteral("Again"), MsgButtons::OK, MsgIcon::None, "Error!"),
                 MsgResult::OK);
        QCOMPARE(boxes.count(), 2);
        const MessageBoxRequest& first = boxes.requests().at(0);
        QCOMPARE(first.title, appTitle());
        QCOMPARE(first.buttons, MsgButtons::YesNo);
        QCOMPARE(first.icon, MsgIcon::Exclamation);
        QCOMPARE(boxes.requests().at(1).title, QStringLiteral("Error!"));
    }

    void guardShowsUncaughtErrorsAndGoesOn()
    {
        testsupport::RecordingMessageBox boxes;
        bool ranAfter = false;

        Guarded([] {
            throw Error(91, QStringLiteral("Object variable or With block variable not set"));
        });
        Guarded([] { throw std::runtime_error("library failure"); });
        Guarded([] { throw 42; });
        Guarded([&] { ranAfter = true; });
        Guarded({});

        QVERIFY(ranAfter);
        QCOMPARE(boxes.count(), 3);
        const MessageBoxRequest& first = boxes.requests().at(0);
        QCOMPARE(first.text,
                 QStringLiteral(
                     "Run-time error '91':\n\nObject variable or With block variable not set"));
        QCOMPARE(first.icon, MsgIcon::Critical);
        QCOMPARE(first.buttons, MsgButtons::OK);
        QCOMPARE(first.title, appTitle());
        QVERIFY(boxes.requests().at(1).text.contains(QStringLiteral("library failure")));
        QVERIFY(boxes.requests().at(1).text.startsWith(QStringLiteral("Run-time error '")));
    }

    void endProgramRunsTheHandlerAndUnwinds()
    {
        testsupport::RecordingMessageBox boxes;
        {
            testsupport::ExitRecorder exits;
            bool after = false;
            // Ending the program unwinds out of the handler silently: no box, no code after it.
            Guarded([&] {
                EndProgram(3);
                after = true;
            });
            QVERIFY(!after);
            QCOMPARE(exits.codes(), QList<int>{3});
            QCOMPARE(boxes.count(), 0);

            try {
                EndProgram();
                QFAIL("EndProgram returned");
            } catch (const ProgramEnded& ended) {
                QCOMPARE(ended.code, 0);
            }
            QCOMPARE(exits.codes(), (QList<int>{3, 0}));
        }
    }

    // Creating an object nobody serves, or whose server fails to start, raises 429.
    void registryCreatesOrRaises429()
    {
        using testsupport::errorNumber;
        const QString progId = wire::kProgId;
        QCOMPARE(errorNumber([&] { CreateObject(progId); }), err::CannotCreateObject);
        const std::function<std::shared_ptr<AutomationObject>()> factories[] = {
            [] { return std::shared_ptr<AutomationObject>(); },
            []() -> std::shared_ptr<AutomationObject> { throw Error(err::AutomationError, {}); },
            []() -> std::shared_ptr<AutomationObject> { throw std::bad_alloc(); },
        };
        for (const auto& factory : factories) {
            RegisterServer(progId, factory);
            QCOMPARE(errorNumber([&] { CreateObject(progId); }), err::CannotCreateObject);
        }
        UnregisterServer(progId);
        QCOMPARE(errorNumber([&] { CreateObject(progId); }), err::CannotCreateObject);
    }

    // With a step between questions the wait asks until the answer is not True; without one, a
    // macro still playing after MacroFilePlay answered is an error, not a loop of questions.
    void macroWaitAsksUntilDoneOrRaises()
    {
        ScriptedAutomationServer wordProcessor;
        wordProcessor.queueAnswers(QStringLiteral("envMacroPlaying"), {true, true, QString()});
        QStringList steps;
        PlayMacroAndWait(wordProcessor, QStringLiteral("m.wcm"),
                         {[&] { steps << QStringLiteral("settle"); },
                          [&] { steps << QStringLiteral("between"); }});
        QCOMPARE(steps, (QStringList{"settle", "between", "between"}));
        QCOMPARE(wordProcessor.callLog(), (QStringList{"MacroFilePlay(m.wcm)", "envMacroPlaying",
                                                       "envMacroPlaying", "envMacroPlaying"}));

        wordProcessor.clearCalls();
        wordProcessor.queueAnswers(QStringLiteral("envMacroPlaying"), {true});
        QCOMPARE(testsupport::errorNumber(
                     [&] { PlayMacroAndWait(wordProcessor, QStringLiteral("m.wcm"), {}); }),
                 err::AutomationError);
        QCOMPARE(wordProcessor.callLog().size(), 2);
    }
};

QTEST_MAIN(TestRuntime)
#include "tst_runtime.moc"
