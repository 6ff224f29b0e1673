// Quillon tests: the per-user settings store.
#include "SettingsStore.h"
#include "TempSettings.h"

#include <QFile>
#include <QTest>

using platform::GetSetting;
using platform::SaveSetting;

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void valuesRoundTripExactly_data();
    void valuesRoundTripExactly();
    void missingKeysGiveTheDefault();
    void keptPerApplicationInTheConfigFolder();
};

void TestSettings::valuesRoundTripExactly_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("empty") << QString();
    QTest::newRow("path") << QStringLiteral("/home/u/macros/clean.wcm");
    QTest::newRow("surrounding spaces") << QStringLiteral("  /p/a b.wcm  ");
    QTest::newRow("only spaces") << QStringLiteral("   ");
    QTest::newRow("quotes") << QStringLiteral("\"quoted\" and 'single'");
    QTest::newRow("commas") << QStringLiteral("a,b, c,");
    QTest::newRow("backslashes") << QStringLiteral("C:\\Macros\\x.wcm\\");
    QTest::newRow("newlines") << QStringLiteral("line1\nline2\r\nline3\t");
    QTest::newRow("ini syntax") << QStringLiteral("[Options]\nmacro=x ; comment # too");
    QTest::newRow("qsettings markers") << QStringLiteral("@ByteArray(x)");
    QTest::newRow("non-ascii") << QStringLiteral("/home/ü/日本/𝄞.wcm");
}

void TestSettings::valuesRoundTripExactly()
{
    QFETCH(QString, value);
    testsupport::TempSettings temp;
    QVERIFY(temp.isValid());
    SaveSetting(QStringLiteral("quillon"), QStringLiteral("Options"), QStringLiteral("macro"),
                value);
    QCOMPARE(GetSetting(QStringLiteral("quillon"), QStringLiteral("Options"),
                        QStringLiteral("macro"), QStringLiteral("default")),
             value);
    // Overwriting replaces it.
    SaveSetting(QStringLiteral("quillon"), QStringLiteral("Options"), QStringLiteral("macro"),
                QStringLiteral("next"));
    QCOMPARE(
        GetSetting(QStringLiteral("quillon"), QStringLiteral("Options"), QStringLiteral("macro")),
        QStringLiteral("next"));
}

void TestSettings::missingKeysGiveTheDefault()
{
    testsupport::TempSettings temp;
    QCOMPARE(
        GetSetting(QStringLiteral("quillon"), QStringLiteral("Options"), QStringLiteral("macro")),
        QString());
    QCOMPARE(GetSetting(QStringLiteral("quillon"), QStringLiteral("Options"),
                        QStringLiteral("macro"), QStringLiteral("fallback")),
             QStringLiteral("fallback"));
    SaveSetting(QStringLiteral("quillon"), QStringLiteral("Options"), QStringLiteral("macro"),
                QStringLiteral("x"));
    QCOMPARE(GetSetting(QStringLiteral("quillon"), QStringLiteral("Other"), QStringLiteral("macro"),
                        QStringLiteral("d")),
             QStringLiteral("d"));
}

// The store follows XDG_CONFIG_HOME each time, so one test's settings never leak into the next.
void TestSettings::keptPerApplicationInTheConfigFolder()
{
    QString firstFile;
    {
        testsupport::TempSettings temp;
        SaveSetting(QStringLiteral("quillon"), QStringLiteral("Options"), QStringLiteral("macro"),
                    QStringLiteral("/m.wcm"));
        firstFile = temp.iniFile();
        QVERIFY(QFile::exists(firstFile));
        QFile file(firstFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.contains("[Options]"));
        QVERIFY(text.contains("macro="));
        QCOMPARE(
            GetSetting(QStringLiteral("other"), QStringLiteral("Options"), QStringLiteral("macro")),
            QString());
    }
    testsupport::TempSettings fresh;
    QCOMPARE(
        GetSetting(QStringLiteral("quillon"), QStringLiteral("Options"), QStringLiteral("macro")),
        QString());
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
