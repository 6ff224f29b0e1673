// Reading macros: what is accepted as the word processor writes it, and how faults are named.
#include "MacroPlayer.h"
#include "MacroText.h"
#include "PlainTextTarget.h"

#include <QtTest>

using namespace engine::macro;

namespace {

QString played(const QString& macro, const QString& document = {})
{
    PlainTextTarget target(document);
    MacroPlayer().play(macro, target);
    return target.text();
}

} // namespace

class TestMacroLanguage : public QObject {
    Q_OBJECT

private slots:
    void faultsNameTheirLine_data()
    {
        QTest::addColumn<QString>("macro");
        QTest::addColumn<QString>("error");

        QTest::newRow("unknown command") << "Type(Text: \"a\")\n  Frobnicate()\n"
                                         << "Line 2: unknown command 'Frobnicate'";
        QTest::newRow("unclosed parameter list")
            << "HardReturn()\nType(Text: \"a\"\nHardReturn()"
            << "Line 3, column 1: expected ';' or ')' to close the '(' of line 2, found "
               "'HardReturn'";
        QTest::newRow("unclosed string") << "\n  Type(\"abc)\nHardReturn()"
                                         << "Line 2, column 8: the string has no closing quote";
        QTest::newRow("unknown escape")
            << "Type(\"C:\\Temp\")"
            << "Line 1, column 9: unknown escape '\\T' (write '\\\\' for a backslash)";
        QTest::newRow("misspelt parameter") << "Type(Txt: \"a\")"
                                            << "Line 1, column 6: 'Type' has no parameter 'Txt'";
        QTest::newRow("wrong kind of value")
            << "MatchCase(State: \"yes\")"
            << "Line 1, column 18: State of 'MatchCase' must be On!, Off!, Yes!, No!, True or "
               "False";
        QTest::newRow("parameter given twice")
            << "Type(\"a\"; Text: \"b\")"
            << "Line 1, column 11: 'Type' takes one parameter, Text";
        QTest::newRow("block never closed")
            << "Type(\"a\")\nWhile(True)\n  HardReturn()\n"
            << "Line 2, column 1: 'While' has no matching 'EndWhile'";
        QTest::newRow("closing the wrong block")
            << "For(2)\nEndWhile\nEndFor"
            << "Line 2, column 1: 'EndWhile' without its opening statement";
        QTest::newRow("not a condition")
            << "While(Type(\"a\"))\nEndWhile"
            << "Line 1, column 7: expected a condition (SearchNext(), SearchPrevious(), True, "
               "False or Not ...), found 'Type'";
        QTest::newRow("nesting beyond the bound")
            << QString("If(True)\n").repeated(70) + QString("EndIf\n").repeated(70)
            << "Line 65, column 1: blocks are nested more than 64 deep";
    }

    void faultsNameTheirLine()
    {
        QFETCH(QString, macro);
        QFETCH(QString, error);
        try {
            parse(macro);
            QFAIL("the macro was accepted");
        } catch (const MacroError& e) {
            QCOMPARE(e.text(), error);
            QCOMPARE(QString::fromUtf8(e.what()), error);
        }
    }

    void acceptsTheWordProcessorsWriting()
    {
        // As recorded or typed in the word processor: header line, spaces before parentheses,
        // ';' separators, any case, comments, CRLF, statements spanning or sharing lines.
        const QString macro =
            QStringLiteral("\xFEFF"
                           "Application (WordPerfect; \"WordPerfect\"; Default!; \"EN\")\r\n"
                           "// a comment line\r\n"
                           "posdocverybottom ()   // trailing comment\r\n"
                           "TYPE (Text: \"one\"); HardReturn Type(\"two\")\r\n"
                           "SearchString (\r\n"
                           "    StrgToLookFor: \"ONE\"\r\n"
                           ")\r\n"
                           "replacestring(rplcstrg: \"1\") REPLACEALL(SearchMode: Extended!)\r\n");
        QCOMPARE(played(macro, "x"), QStringLiteral("x1\ntwo"));
    }

    void stringLiterals()
    {
        QCOMPARE(played("Type(Text: \"say \\\"hi\\\"\\tand \"\"bye\"\" \\\\ // not a comment\")"),
                 QStringLiteral("say \"hi\"\tand \"bye\" \\ // not a comment"));
        // A macro typed into a word processor comes back with curled quotes.
        QCOMPARE(played(QStringLiteral("Type(Text: \u201Cquoted\u201D)")),
                 QStringLiteral("quoted"));
        // A line break typed is a hard return.
        QCOMPARE(played("Type(\"a\\n\\nb\")"), QStringLiteral("a\n\nb"));
    }

    void macroFileText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");

        const QString curly = QStringLiteral("Type(\u201C\u00E9\u201D)");
        QTest::newRow("utf-8") << curly.toUtf8() << curly;
        QTest::newRow("utf-8 with mark") << QByteArray("\xEF\xBB\xBF") + curly.toUtf8() << curly;
        QTest::newRow("windows-1252") << QByteArray("Type(\x93\xE9\x94)") << curly;
        QByteArray utf16("\xFF\xFE");
        for (QChar c : curly)
            utf16 += QByteArray(1, char(c.unicode() & 0xFF)) + char(c.unicode() >> 8);
        QTest::newRow("utf-16 with mark") << utf16 << curly;
    }

    void macroFileText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(macroTextFromBytes(bytes), text);
        QCOMPARE(played(macroTextFromBytes(bytes)), QStringLiteral("\u00E9"));
    }
};

QTEST_APPLESS_MAIN(TestMacroLanguage)
#include "tst_macro_language.moc"
