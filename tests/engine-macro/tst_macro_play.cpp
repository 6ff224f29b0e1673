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
    void typingAtTopAndBottom()
    {
        QCOMPARE(played("Body", "PosDocTop()\nType(\"Title\")\nHardReturn()\n"
                                "PosDocBottom()\nHardReturn()\nType(\"End\")"),
                 QStringLiteral("Title\nBody\nEnd"));
        QCOMPARE(played("Body", "PosDocVeryBottom() Type(\"!\") PosDocVeryTop() Type(\"\\n\")"),
                 QStringLiteral("\nBody!"));
        QCOMPARE(played({}, "HardReturn() HardReturn() PosDocTop() Type(\"x\")"),
                 QStringLiteral("x\n\n"));
    }

    void searchAndReplace_data()
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
        QTest::newRow("match case switched off again")
            << "Cat cat"
            << "MatchCase(Yes!) MatchCase(State: False) SearchString(\"CAT\") "
               "ReplaceString(\"x\") ReplaceAll()"
            << "x x";
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
        QTest::newRow("doubling every letter") << "aaa"
                                               << "SearchString(\"a\") ReplaceString(\"aa\") "
                                                  "ReplaceAll()"
                                               << "aaaaaa";
        QTest::newRow("no replacement string deletes") << "one, two, three"
                                                       << "SearchString(\", \") ReplaceAll()"
                                                       << "onetwothree";
        QTest::newRow("nothing to replace") << "text"
                                            << "SearchString(\"zz\") ReplaceAll()"
                                            << "text";
    }

    void searchAndReplace()
    {
        QFETCH(QString, document);
        QFETCH(QString, macro);
        QFETCH(QString, result);
        QCOMPARE(played(document, macro), result);
    }

    void deletingWhatWasFound()
    {
        // Every occurrence, each with the character after it.
        QCOMPARE(played("x NOTE y NOTE", "SearchString(\"note\")\n"
                                         "While(SearchNext())\n  SelectDelete()\n"
                                         "  DeleteCharNext()\nEndWhile"),
                 QStringLiteral("x y "));
        // Delete keys take the selection when there is one.
        QCOMPARE(played("abcabc", "SearchString(\"b\") SearchNext() DeleteCharPrevious()"),
                 QStringLiteral("acabc"));
        // Backwards from the bottom: the last occurrence, selected so that typing replaces it.
        QCOMPARE(
            played("abcabc", "PosDocBottom() SearchString(\"b\") SearchPrevious() Type(\"B\")"),
            QStringLiteral("abcaBc"));
        // A failed search changes nothing, not even the selection.
        QCOMPARE(played("abc", "SearchString(\"b\") SearchNext() SearchString(\"q\") SearchNext() "
                               "SelectDelete()"),
                 QStringLiteral("ac"));
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

    void controlFlow()
    {
        QCOMPARE(played("a a a", "SearchString(\"a\")\n"
                                 "Repeat\n  Type(\"b\")\nUntil(Not SearchNext())"),
                 QStringLiteral("bb b b")); // one typed before searching, then each "a" replaced
        QCOMPARE(played("x", "For(Count: 3) Type(\"-\") EndFor For(0) Type(\"never\") EndFor"),
                 QStringLiteral("---x"));
        QCOMPARE(played("has it", "SearchString(\"it\")\n"
                                  "If(SearchNext()) Type(\"found\") Else Type(\"missing\") EndIf\n"
                                  "If(Not (SearchNext())) PosDocTop() Type(\"once:\") EndIf"),
                 QStringLiteral("once:has found"));
        QCOMPARE(
            played({}, "Type(\"a\")\nFor(5)\n  If(True)\n    Quit\n  EndIf\nEndFor\nType(\"b\")"),
            QStringLiteral("a"));
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
        QString document = "text";
        MacroError e = failure(document, "PosDocTop()\nWhile(True)\n  PosDocBottom()\nEndWhile");
        QCOMPARE(e.text(), QStringLiteral("Line 3: the macro was stopped after 100000 steps; "
                                          "does a loop never end?"));

        // Each pass puts back what it found and starts again from the top.
        document = "a cat";
        e = failure(document,
                    "SearchString(\"cat\")\nWhile(SearchNext())\n"
                    "  Type(\"cat\")\n  PosDocTop()\nEndWhile",
                    MacroLimits{1000, 1 << 20});
        QVERIFY2(e.line() >= 2 && e.line() <= 4, qPrintable(e.text())); // a line of the loop
        QVERIFY(e.message().startsWith("the macro was stopped after 1000 steps"));
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

    void batchCleanup()
    {
        const QString macro =
            QStringLiteral("Application (WordPerfect; \"WordPerfect\"; Default!; \"EN\")\n"
                           "// Cleanup played on every document of the archive before publishing.\n"
                           "MatchCase (State: Off!)\n"
                           "SearchString (StrgToLookFor: \"DRAFT - \")\n"
                           "ReplaceString (RplcStrg: \"\")\n"
                           "ReplaceAll ()\n"
                           "\n"
                           "MatchCase (State: On!)\n"
                           "SearchString (StrgToLookFor: \"Acme Corp\")\n"
                           "ReplaceString (RplcStrg: \"Acme Corporation\")\n"
                           "ReplaceAll ()\n"
                           "\n"
                           "// Remove the marker lines, hard return included.\n"
                           "MatchCase (State: Off!)\n"
                           "PosDocVeryTop ()\n"
                           "SearchString (StrgToLookFor: \"[confidential]\")\n"
                           "While (SearchNext ())\n"
                           "    SelectDelete ()\n"
                           "    DeleteCharNext ()\n"
                           "EndWhile\n"
                           "\n"
                           "PosDocVeryTop ()\n"
                           "Type (Text: \"Archived copy\")\n"
                           "HardReturn ()\n"
                           "PosDocVeryBottom ()\n"
                           "HardReturn ()\n"
                           "Type (Text: \"-- end --\")\n");
        const QString document = "Draft - Letter to Acme Corp\n[CONFIDENTIAL]\nDear ACME CORP,\n"
                                 "draft - terms follow.\n[Confidential]\nRegards";
        QCOMPARE(played(document, macro),
                 QStringLiteral("Archived copy\nLetter to Acme Corporation\nDear ACME CORP,\n"
                                "terms follow.\nRegards\n-- end --"));
        // The same macro on a document with none of the text only adds the lines.
        QCOMPARE(played("Plain", macro), QStringLiteral("Archived copy\nPlain\n-- end --"));
    }
};

QTEST_APPLESS_MAIN(TestMacroPlay)
#include "tst_macro_play.moc"
