// Quillon tests: the automation client of the out-of-process document engine, against a fake
// engine that can be told to crash, hang or talk nonsense.
#include "AutomationObject.h"
#include "EngineAutomationClient.h"
#include "EngineContract.h"
#include "Error.h"

#include <QElapsedTimer>
#include <QTest>

#include <chrono>
#include <csignal>
#include <sys/types.h>
#include <thread>

using platform::EngineAutomationClient;
using platform::Error;

namespace {

EngineAutomationClient::Options fakeEngine(const QStringList& arguments = {})
{
    EngineAutomationClient::Options options;
    options.program = QStringLiteral(FAKE_ENGINE);
    options.arguments = arguments;
    options.startTimeoutMs = 5000;
    options.callTimeoutMs = 5000;
    return options;
}

// Runs the call and returns the error it raised; fails the test when it raised none.
Error errorOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const Error& e) {
        return e;
    }
    return Error(0, QStringLiteral("no error raised"));
}

// The engine processes must not outlive the client's handling of them.
bool processExists(const QString& pid)
{
    return ::kill(static_cast<pid_t>(pid.toLongLong()), 0) == 0;
}

} // namespace

class TestEngineClient : public QObject {
    Q_OBJECT

private slots:
    // Every kind of answer arrives as itself, and arguments arrive whatever bytes they hold.
    void answersAndArgumentsArriveWhole()
    {
        EngineAutomationClient client(fakeEngine());
        client.start();
        QVERIFY(client.isRunning());
        const QVariant yes = client.Call(QStringLiteral("True"));
        QCOMPARE(yes.metaType().id(), QMetaType::Bool);
        QVERIFY(platform::isTrue(yes));
        const QVariant no = client.Call(QStringLiteral("False"));
        QCOMPARE(no.metaType().id(), QMetaType::Bool);
        QVERIFY(!platform::isTrue(no));
        QVERIFY(client.Call(QStringLiteral("Null")).isNull());
        QVERIFY(!platform::isTrue(QVariant(QStringLiteral("True"))));

        // (The encoding's own cases are the wire test's; here, that both ends of a pipe agree.)
        const QStringList samples = {QStringLiteral(" \"q\"\\\n\r\tÜ✓𝄞日本 ") + QChar(0),
                                     QString(1 << 20, QLatin1Char('w'))};
        for (const QString& sample : samples)
            QCOMPARE(client.Call(QStringLiteral("Echo"), {sample}).toString(), sample);
        QCOMPARE(client.Call(QStringLiteral("Echo"), {QString(), QString(), QString()}).toString(),
                 QStringLiteral("||"));
    }

    void errorRepliesCarryNumberAndDescription()
    {
        EngineAutomationClient client(fakeEngine());
        const Error e = errorOf([&] {
            client.Call(QStringLiteral("Fail"),
                        {QStringLiteral("1234"), QStringLiteral("Disk full")});
        });
        QCOMPARE(e.number(), 1234);
        QCOMPARE(e.description(), QStringLiteral("Disk full"));
        QCOMPARE(e.source(), QString(wire::kProgId));
        QCOMPARE(errorOf([&] { client.Call(QStringLiteral("NoSuchThing")); }).number(), 438);

        // An error reply is an ordinary answer: the same engine goes on serving.
        const QString pid = client.Call(QStringLiteral("Pid")).toString();
        QCOMPARE(client.Call(QStringLiteral("Pid")).toString(), pid);
    }

    void missingOrSilentEngineCannotBeCreated_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("missing program")
            << QStringLiteral("/nonexistent/quillon-engine") << QStringList();
        QTest::newRow("not a program") << QStringLiteral("/etc/hostname") << QStringList();
        QTest::newRow("never greets") << QStringLiteral(FAKE_ENGINE) << QStringList{"--no-hello"};
        QTest::newRow("wrong greeting")
            << QStringLiteral(FAKE_ENGINE) << QStringList{"--bad-hello"};
    }

    void missingOrSilentEngineCannotBeCreated()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        EngineAutomationClient::Options options = fakeEngine(arguments);
        options.program = program;
        options.startTimeoutMs = 700;

        QElapsedTimer timer;
        timer.start();
        EngineAutomationClient client(options);
        QCOMPARE(errorOf([&] { client.start(); }).number(), platform::err::CannotCreateObject);
        QVERIFY2(timer.elapsed() < 5000, "start must give up at its time limit");
        QVERIFY(!client.isRunning());
    }

    void brokenEngineFailsTheCallAndIsReplaced_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("expected");
        QTest::newRow("crash") << QStringLiteral("--crash-on")
                               << QStringLiteral("stopped while running FileOpen");
        QTest::newRow("oversize frame")
            << QStringLiteral("--garbage-on") << QStringLiteral("corrupt answer to FileOpen");
        QTest::newRow("unreadable reply")
            << QStringLiteral("--bad-reply-on") << QStringLiteral("corrupt answer to FileOpen");
    }

    void brokenEngineFailsTheCallAndIsReplaced()
    {
        QFETCH(QString, option);
        QFETCH(QString, expected);
        EngineAutomationClient client(fakeEngine({option, QStringLiteral("FileOpen")}));
        const QString firstPid = client.Call(QStringLiteral("Pid")).toString();

        const Error e =
            errorOf([&] { client.Call(QStringLiteral("FileOpen"), {QStringLiteral("/a.wpd")}); });
        QCOMPARE(e.number(), platform::err::AutomationError);
        QVERIFY2(e.description().contains(expected), qPrintable(e.description()));
        QVERIFY(!client.isRunning());

        const QString secondPid = client.Call(QStringLiteral("Pid")).toString();
        QVERIFY(!secondPid.isEmpty());
        QVERIFY(secondPid != firstPid);
        QCOMPARE(client.Call(QStringLiteral("Echo"), {QStringLiteral("after")}).toString(),
                 QStringLiteral("after"));
    }

    void silentOrOverlongCallEnds_data()
    {
        QTest::addColumn<QStringList>("arguments"); // the second is the operation called
        QTest::addColumn<int>(
            "stopAfterMs"); // SIGSTOP to the engine that long into the call; -1: none
        QTest::addColumn<QString>("expected"); // in the error; empty: the call is answered
        // Silence limit 1 s, call limit 2 s; the fake beats every 200 ms while it works.
        QTest::newRow("working longer than the silence limit")
            << QStringList{"--slow-on", "True", "1500"} << -1 << QString();
        QTest::newRow("working past the call limit")
            << QStringList{"--slow-on", "Work", "0"} << -1
            << QStringLiteral("did not answer Work within 2 s");
        QTest::newRow("stopped before the call")
            << QStringList{"--slow-on", "Work", "0"} << 0 << QStringLiteral("stopped responding");
        QTest::newRow("stopped while working")
            << QStringList{"--slow-on", "Work", "0"} << 500
            << QStringLiteral("stopped responding while running Work (no sign of life for 1 s)");
    }

    // An engine that works (heartbeats) is waited for up to the call limit; one that falls silent
    // (stopped, frozen) is ended after the silence limit, and replaced.
    void silentOrOverlongCallEnds()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, stopAfterMs);
        QFETCH(QString, expected);
        EngineAutomationClient::Options options = fakeEngine(arguments);
        options.callTimeoutMs = 2000;
        options.silenceTimeoutMs = 1000;
        EngineAutomationClient client(options);
        const QString firstPid = client.Call(QStringLiteral("Pid")).toString();
        std::thread stopper;
        if (stopAfterMs >= 0)
            stopper = std::thread([&firstPid, stopAfterMs] {
                std::this_thread::sleep_for(std::chrono::milliseconds(stopAfterMs));
                ::kill(static_cast<pid_t>(firstPid.toLongLong()), SIGSTOP);
            });
        if (stopAfterMs == 0)
            stopper.join();

        QElapsedTimer timer;
        timer.start();
        QVariant answer;
        const Error e = errorOf([&] { answer = client.Call(arguments.at(1)); });
        const qint64 elapsed = timer.elapsed();
        if (stopper.joinable())
            stopper.join();
        if (expected.isEmpty()) {
            QVERIFY2(platform::isTrue(answer), qPrintable(e.description()));
            QVERIFY(elapsed >= 1500);
            QCOMPARE(client.Call(QStringLiteral("Pid")).toString(), firstPid);
            return;
        }
        QCOMPARE(e.number(), platform::err::AutomationError);
        QVERIFY2(e.description().contains(expected), qPrintable(e.description()));
        const qint64 limit = expected.contains(QLatin1String("within")) ? 2000 : 1000;
        QVERIFY2(elapsed >= limit - 100 && elapsed < limit + std::max(stopAfterMs, 0) + 1500,
                 qPrintable(QString::number(elapsed)));
        QVERIFY(!processExists(firstPid));
        QVERIFY(client.Call(QStringLiteral("Pid")).toString() != firstPid);
    }

    void destroyingTheClientEndsTheEngine()
    {
        QString pid;
        {
            EngineAutomationClient client(fakeEngine());
            pid = client.Call(QStringLiteral("Pid")).toString();
            QVERIFY(processExists(pid));
        }
        QVERIFY(!processExists(pid));
    }
};

QTEST_GUILESS_MAIN(TestEngineClient)
#include "tst_engineclient.moc"
