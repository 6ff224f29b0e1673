// Quillon tests: the automation registry and the scripted in-process server.
#include "AutomationObject.h"
#include "Error.h"
#include "RaisedError.h"
#include "ScriptedAutomationServer.h"

#include <QTest>

using namespace platform;

using testsupport::errorNumber;

namespace {

const QString kProgId = QStringLiteral("WordPerfect.PerfectScript");

} // namespace

class TestAutomation : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { UnregisterServer(kProgId); }
    void registryCreatesOrRaises429();
    void serverRecordsAndAnswersFromTheScript();
    void failuresCountDownAndMatchArguments();
    void strictServerRejectsUnknownOperations();
};

void TestAutomation::registryCreatesOrRaises429()
{
    QCOMPARE(errorNumber([] { CreateObject(kProgId); }), err::CannotCreateObject);

    auto server = std::make_shared<ScriptedAutomationServer>();
    RegisterServer(kProgId, [server] { return server; });
    QCOMPARE(CreateObject(kProgId).get(), server.get());

    RegisterServer(kProgId, [] { return std::shared_ptr<AutomationObject>(); });
    QCOMPARE(errorNumber([] { CreateObject(kProgId); }), err::CannotCreateObject);

    RegisterServer(kProgId, []() -> std::shared_ptr<AutomationObject> {
        throw Error(err::AutomationError, QStringLiteral("boom"));
    });
    QCOMPARE(errorNumber([] { CreateObject(kProgId); }), err::CannotCreateObject);

    RegisterServer(kProgId, []() -> std::shared_ptr<AutomationObject> { throw std::bad_alloc(); });
    QCOMPARE(errorNumber([] { CreateObject(kProgId); }), err::CannotCreateObject);

    UnregisterServer(kProgId);
    QCOMPARE(errorNumber([] { CreateObject(kProgId); }), err::CannotCreateObject);
}

void TestAutomation::serverRecordsAndAnswersFromTheScript()
{
    ScriptedAutomationServer server;
    AutomationObject& object = server;
    QList<ScriptedAutomationServer::Call> observed;
    server.setObserver([&](const ScriptedAutomationServer::Call& call) { observed.append(call); });

    // Documented defaults: the two queries answer False, everything else null.
    QCOMPARE(object.Call(QStringLiteral("envMacroPlaying")), QVariant(false));
    QCOMPARE(object.Call(QStringLiteral("envDocBlank")), QVariant(false));
    QVERIFY(object.Call(QStringLiteral("FileOpen"), {QStringLiteral("/a.wpd")}).isNull());

    server.queueAnswers(QStringLiteral("envMacroPlaying"), {true, true});
    server.setDefaultAnswer(QStringLiteral("GetVersion"), QStringLiteral("9"));
    QVERIFY(isTrue(object.Call(QStringLiteral("envMacroPlaying"))));
    QVERIFY(isTrue(object.Call(QStringLiteral("envMacroPlaying"))));
    QVERIFY(!isTrue(object.Call(QStringLiteral("envMacroPlaying"))));
    QCOMPARE(object.Call(QStringLiteral("GetVersion")), QVariant(QStringLiteral("9")));

    QCOMPARE(server.callLog(),
             (QStringList{"envMacroPlaying", "envDocBlank", "FileOpen(/a.wpd)", "envMacroPlaying",
                          "envMacroPlaying", "envMacroPlaying", "GetVersion"}));
    QCOMPARE(observed.size(), 7);
    QCOMPARE(observed.at(2), (ScriptedAutomationServer::Call{"FileOpen", {"/a.wpd"}}));
    server.clearCalls();
    QVERIFY(server.calls().isEmpty());
}

void TestAutomation::failuresCountDownAndMatchArguments()
{
    ScriptedAutomationServer server;
    AutomationObject& object = server;
    server.failOn(QStringLiteral("FileSave"), 1234, QStringLiteral("Disk full"), 2);
    try {
        object.Call(QStringLiteral("FileSave"));
        QFAIL("no error raised");
    } catch (const Error& e) {
        QCOMPARE(e.number(), 1234);
        QCOMPARE(e.description(), QStringLiteral("Disk full"));
    }
    QCOMPARE(errorNumber([&] { object.Call(QStringLiteral("FileSave")); }), 1234);
    QCOMPARE(errorNumber([&] { object.Call(QStringLiteral("FileSave")); }), 0);

    server.failOnArgument(QStringLiteral("FileOpen"), QStringLiteral("/bad.wpd"));
    QCOMPARE(errorNumber([&] { object.Call(QStringLiteral("FileOpen"), {"/good.wpd"}); }), 0);
    QCOMPARE(errorNumber([&] { object.Call(QStringLiteral("FileOpen"), {"/bad.wpd"}); }),
             err::AutomationError);
    QCOMPARE(errorNumber([&] { object.Call(QStringLiteral("FileOpen")); }), 0);
    QCOMPARE(errorNumber([&] { object.Call(QStringLiteral("FileOpen"), {"/bad.wpd"}); }),
             err::AutomationError);

    // Failing calls are recorded too.
    QCOMPARE(server.calls().size(), 7);
}

void TestAutomation::strictServerRejectsUnknownOperations()
{
    ScriptedAutomationServer server;
    AutomationObject& object = server;
    server.setStrict(true);
    server.queueAnswers(QStringLiteral("Known"), {QStringLiteral("once")});
    QCOMPARE(object.Call(QStringLiteral("Known")), QVariant(QStringLiteral("once")));
    QCOMPARE(errorNumber([&] { object.Call(QStringLiteral("Known")); }), err::NotSupported);
    QCOMPARE(errorNumber([&] { object.Call(QStringLiteral("envMacroPlaying")); }), 0);
}

QTEST_GUILESS_MAIN(TestAutomation)
#include "tst_automation.moc"
