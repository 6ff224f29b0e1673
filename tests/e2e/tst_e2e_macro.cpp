// Quillon tests: the user's stored macro played on every document of a batch, through the real
// windows and the real document engine.
#include "AppHarness.h"
#include "ExitRecorder.h"
#include "General.h"
#include "ListView.h"
#include "RecordingMessageBox.h"
#include "ScriptedFileDialog.h"
#include "ScriptedFolderBrowser.h"
#include "TempSettings.h"
#include "automation/EngineAutomationClient.h"
#include "platform/AppIdentity.h"
#include "platform/SettingsStore.h"
#include "ui/Form1.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

const QString kProgId = QStringLiteral("WordPerfect.PerfectScript");

QString corpus(const QString& name)
{
    return qEnvironmentVariable("QUILLON_CORPUS") + QLatin1Char('/') + name;
}

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The application started with the real engine; dialogs, message boxes, settings and the end
// of the program are scripted. The settings folder exists before the engine starts, so the
// engine reads its HTML settings from there too.
class EngineApp final {
public:
    EngineApp()
    {
        platform::EngineAutomationClient::Options options;
        options.program =
            qEnvironmentVariable("QUILLON_BIN_DIR") + QStringLiteral("/quillon-engine");
        options.callTimeoutMs = 60000;
        platform::RegisterServer(kProgId,
                                 platform::EngineAutomationClient::factory(std::move(options)));
        QTimer::singleShot(0, [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->hide();
        });
        Main();
    }
    ~EngineApp()
    {
        ResetGeneral();
        platform::UnregisterServer(kProgId);
    }
    EngineApp(const EngineApp&) = delete;
    EngineApp& operator=(const EngineApp&) = delete;

    testsupport::TempSettings settings;
    testsupport::RecordingMessageBox boxes;
    testsupport::ScriptedFileDialog files;
    testsupport::ScriptedFolderBrowser folders;
    testsupport::ExitRecorder exits;
};

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
    void initTestCase()
    {
        if (!QFile::exists(corpus(QStringLiteral("MANIFEST.tsv"))))
            QSKIP("the shared corpus is not beside the project");
    }

    void storedMacroChangesEveryConvertedDocument()
    {
        QTemporaryDir sourceDir;
        QTemporaryDir targetDir;
        QTemporaryDir macroDir;
        const std::pair<const char*, const char*> documents[] = {
            {"alf_quick.wpd", "a.wpd"},
            {"tika_testWordPerfect.wpd", "b.wpd"},
            {"doctor_word-perfect.wpd", "c.wpd"},
            {"smi_regular.wpd", "d.wpd"}, // blank: no macro is played on it
        };
        for (const auto& [from, to] : documents)
            QVERIFY(
                QFile::copy(corpus(QLatin1String(from)), sourceDir.filePath(QLatin1String(to))));
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
        Form1* batch = Form1::instance();
        app.folders.queueFolder(sourceDir.path());
        batch->btnSource->click();
        app.folders.queueFolder(targetDir.path());
        batch->btnTarget->click();
        batch->Command1->click();

        for (const char* name : {"a.xml", "b.xml", "c.xml"}) {
            const QString xml = readText(targetDir.filePath(QLatin1String(name)));
            // The typed line opens the body, in the format of the paragraph it was typed into.
            static const QRegularExpression firstLine(
                QStringLiteral("</info>\n<para( role=\"\\w+\")?>ARCHIVED COPY</para>"));
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
