// Quillon tests: the user's stored macro played on every document of a batch, through the real
// windows and the real document engine.
#include "EngineHarness.h"
#include "platform/AppIdentity.h"
#include "platform/SettingsStore.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace e2etest;

namespace {

// The body's text nodes (after the document properties), joined by spaces.
QString bodyText(const QString& xml)
{
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    return xml.mid(xml.indexOf(QLatin1String("</info>"))).replace(tag, QStringLiteral(" "));
}

} // namespace

class TestMacroBatch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void storedMacroChangesEveryConvertedDocument()
    {
        QTemporaryDir sourceDir;
        QTemporaryDir targetDir;
        QTemporaryDir macroDir;
        const std::pair<const char*, const char*> documents[] = {
            {"nuxeo_test.wpd", "a.wpd"},
            {"tika_testWordPerfect.wpd", "b.wpd"},
            {"doctor_word-perfect.wpd", "c.wpd"},
            {"smi_regular.wpd", "d.wpd"}, // blank: no macro is played on it
        };
        for (const auto& [from, to] : documents)
            QVERIFY(copyInto(sourceDir, QLatin1String(from), QLatin1String(to)));
        const QString macro = macroDir.filePath(QStringLiteral("archive.wcm"));
        QFile file(macro);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("// Marks every document and replaces a word.\n"
                   "SearchString (StrgToLookFor: \"the\")\n"
                   "ReplaceString (RplcStrg: \"T-H-E\")\n"
                   "ReplaceAll ()\n"
                   "PosDocVeryTop ()\n"
                   "Type (Text: \"ARCHIVED COPY\")\n"
                   "HardReturn ()\n");
        file.close();

        EngineApp app;
        platform::SaveSetting(platform::appName(), QStringLiteral("Options"),
                              QStringLiteral("macro"), macro);
        app.runBatch(sourceDir.path(), targetDir.path());

        for (const char* name : {"a.xml", "b.xml", "c.xml"}) {
            const QString xml = readText(targetDir.filePath(QLatin1String(name)));
            // The typed line opens the body, in the format of the text it was typed into.
            static const QRegularExpression firstLine(
                QStringLiteral("</info>\n<para( role=\"\\w+\")?>(<emphasis[^>]*>)?ARCHIVED COPY<"));
            QVERIFY2(xml.contains(firstLine), qPrintable(name + xml.left(600)));
            const QString text = bodyText(xml);
            QVERIFY2(text.contains(QLatin1String("T-H-E")), name);
            QVERIFY2(!text.contains(QLatin1String("the"), Qt::CaseInsensitive), name);
        }
        const QString blank = readText(targetDir.filePath(QStringLiteral("d.xml")));
        QVERIFY(blank.contains(QLatin1String("docbook")));
        QVERIFY(!blank.contains(QLatin1String("ARCHIVED")));
        QCOMPARE(app.boxes.count(), 0);
    }
};

QTEST_MAIN(TestMacroBatch)
#include "tst_e2e_macro.moc"
