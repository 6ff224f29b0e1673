// Playing macros on a document: what each kind of command does, and the bounds.
#include "MacroPlayer.h"
#include "PlainTextTarget.h"

#include <QtTest>

using namespace engine::macro;

namespace {

QString played(const QString& document, const QString& macro, const MacroLimits& limits = {})
{
    PlainTextTarget target(document);
    MacroPlayer(limits).play(macro, target);
    return target.text();
}

// Plays a macro that must fail; returns the error and leaves the document in `document`.
MacroError failure(QString& document, const QString& macro, const MacroLimits& limits = {})
{
    PlainTextTarget target(document);
    try {
        MacroPlayer(limits).play(macro, target);
    } catch (const MacroError& e) {
        document = target.text();
        return e;
    }
    document = target.text();
    return MacroError(0, QStringLiteral("no error"));
}

// Remembers whether the player said it was playing while the macro typed.
class WatchingTarget : public PlainTextTarget {
public:
    explicit WatchingTarget(const MacroPlayer& player) : m_player(player) {}
    void insertText(const QString& text) override
    {
        playingSeen = m_player.isPlaying();
        PlainTextTarget::insertText(text);
    }
    bool playingSeen = false;

private:
    const MacroPlayer& m_player;
};

} // namespace

class TestMacroPlay : public QObject {
    Q_OBJECT

private slots:
    // What a macro makes of a document.
    void plays_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("macro");
        QTest::addColumn<QString>("result");

        QTest::newRow("case ignored by default")
            << "Cat cat CAT"
            << "SearchString(\"cat\") ReplaceString(\"dog\") ReplaceAll()"
            << "dog dog dog";
        QTest::newRow("match case")
            << "Cat cat CAT"
            << "MatchCase(State: On!) SearchString(\"cat\") ReplaceString(\"dog\") ReplaceAll()"
            << "Cat dog CAT";
        QTest::newRow("forward from the insertion point")
            << "a-a-a"
            << "SearchString(\"a\") SearchNext() SearchNext() ReplaceString(\"b\") "
               "ReplaceForward()"
            << "a-b-b";
        QTest::newRow("replacement holding the search text")
            << "Acme Corp and Acme Corp"
            << "SearchString(\"Acme Corp\") ReplaceString(\"Acme Corporation\") ReplaceAll() "
               "ReplaceAll()"
            << "Acme Corporationoration and Acme Corporationoration";
        QTest::newRow("no replacement string deletes") << "one, two, three"
                                                       << "SearchString(\", \") ReplaceAll()"
                                                       << "onetwothree";
        QTest::newRow("typing at top and bottom")
            << "Body"
            << "PosDocTop() Type(\"Title\") HardReturn() PosDocBottom() HardReturn() Type(\"End\")"
            << "Title\nBody\nEnd";
        QTest::newRow("typing at the very ends")
            << "Body"
            << "PosDocVeryBottom() Type(\"!\") PosDocVeryTop() Type(\"\\n\")"
            << "\nBody!";
        QTest::newRow("empty document") << ""
                                        << "HardReturn() HardReturn() PosDocTop() Type(\"x\")"
                                        << "x\n\n";
        QTest::newRow("deleting each found with the character after it")
            << "x NOTE y NOTE"
            << "SearchString(\"note\") While(SearchNext()) SelectDelete() DeleteCharNext() "
               "EndWhile"
            << "x y ";
        QTest::newRow("delete keys take the selection")
            << "abcabc"
            << "SearchString(\"b\") SearchNext() DeleteCharPrevious()"
            << "acabc";
        QTest::newRow("backwards from the bottom, typing replaces the found")
            << "abcabc"
            << "PosDocBottom() SearchString(\"b\") SearchPrevious() Type(\"B\")"
            << "abcaBc";
        QTest::newRow("a failed search keeps the selection")
            << "abc"
            << "SearchString(\"b\") SearchNext() SearchString(\"q\") SearchNext() SelectDelete()"
            << "ac";
        QTest::newRow("repeat until") << "a a a"
                                      << "SearchString(\"a\") Repeat Type(\"b\") Until(Not "
                                         "SearchNext())"
                                      << "bb b b";
        QTest::newRow("for") << "x"
                             << "For(Count: 3) Type(\"-\") EndFor For(0) Type(\"never\") EndFor"
                             << "---x";
        QTest::newRow("if, else, not")
            << "has it"
            << "SearchString(\"it\") If(SearchNext()) Type(\"found\") Else Type(\"missing\") "
               "EndIf If(Not (SearchNext())) PosDocTop() Type(\"once:\") EndIf"
            << "once:has found";
        QTest::newRow("quit ends everything")
            << ""
            << "Type(\"a\") For(5) If(True) Quit EndIf EndFor Type(\"b\")"
            << "a";
    }

    void plays()
    {
        QFETCH(QString, document);
        QFETCH(QString, macro);
        QFETCH(QString, result);
        QCOMPARE(played(document, macro), result);
    }

    void insertionPointMoves()
    {
        PlainTextTarget target("abcd");
        MacroPlayer player;
        player.play("PosCharPrevious() PosCharNext() PosCharNext() DeleteCharPrevious() "
                    "DeleteCharNext()",
                    target);
        QCOMPARE(target.text(), QStringLiteral("ad"));
        QCOMPARE(target.insertionPoint(), 1);
        player.play("PosDocBottom() DeleteCharNext() PosCharNext() PosDocTop() "
                    "DeleteCharPrevious() SearchString(\"d\") SearchNext() PosCharPrevious()",
                    target);
        QCOMPARE(target.text(), QStringLiteral("ad"));
        QVERIFY(!target.hasSelection());
        QCOMPARE(target.insertionPoint(), 1);
    }

    void runtimeFaultsNameTheirLine()
    {
        QString document = "abc";
        QCOMPARE(failure(document, "Type(\"x\")\n\nSearchNext()").text(),
                 QStringLiteral("Line 3: nothing to search for: give "
                                "SearchString(StrgToLookFor: \"...\") first"));
        QCOMPARE(document, QStringLiteral("xabc")); // what ran before the fault stays done
        QCOMPARE(failure(document, "SearchString(\"a\")\nReplaceString(\"a\\nb\")").text(),
                 QStringLiteral("Line 2: the replacement text cannot hold a line break"));
    }

    void endlessIntentIsStopped()
    {
        // Each pass puts back what it found and starts again from the top.
        QString document = "a cat";
        const MacroError e = failure(document,
                                     "SearchString(\"cat\")\nWhile(SearchNext())\n"
                                     "  Type(\"cat\")\n  PosDocTop()\nEndWhile",
                                     MacroLimits{1000, 1 << 20});
        QVERIFY2(e.line() >= 2 && e.line() <= 4, qPrintable(e.text())); // a line of the loop
        QCOMPARE(e.message(), QStringLiteral("the macro was stopped after 1000 steps; does a loop "
                                             "never end?"));
        QCOMPARE(document, QStringLiteral("a cat"));
    }

    void documentGrowthIsBounded()
    {
        const MacroLimits limits{100'000, 1000};
        QString document = "seed";
        MacroError e = failure(document, "While(True)\n  Type(\"0123456789\")\nEndWhile", limits);
        QCOMPARE(e.text(), QStringLiteral("Line 2: the macro was stopped: the document would grow "
                                          "beyond 1000 characters"));
        QVERIFY(document.size() <= 1000);
        QVERIFY(document.size() > 990);

        // A replacement that would overshoot is refused before anything changes.
        document = QString(300, 'a');
        e = failure(document, "SearchString(\"a\")\nReplaceString(\"aaaa\")\nReplaceAll()", limits);
        QCOMPARE(e.line(), 3);
        QCOMPARE(document, QString(300, 'a'));
        QCOMPARE(played(QString(300, 'a'), "SearchString(\"a\") ReplaceString(\"aa\") ReplaceAll()",
                        limits),
                 QString(600, 'a'));
    }

    void playingStateLastsOnlyWhileAMacroPlays()
    {
        MacroPlayer player;
        WatchingTarget target(player);
        QVERIFY(!player.isPlaying());
        player.play("Type(\"a\")", target);
        QVERIFY(target.playingSeen);
        QVERIFY(!player.isPlaying());

        QVERIFY_THROWS_EXCEPTION(MacroError, player.play("Type(\"a\") SearchNext()", target));
        QVERIFY(!player.isPlaying());
        QVERIFY_THROWS_EXCEPTION(MacroError, player.play("Bogus()", target));
        QVERIFY(!player.isPlaying());
    }
};

QTEST_APPLESS_MAIN(TestMacroPlay)
#include "tst_macro_play.moc"
