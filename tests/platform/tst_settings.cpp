// Quillon tests: the per-user settings store.
#include "Doubles.h"
#include "SettingsStore.h"

#include <QFile>
#include <QTest>

using platform::GetSetting;
using platform::SaveSetting;

namespace {

const QString kApp = QStringLiteral("quillon");
const QString kSection = QStringLiteral("Options");
const QString kKey = QStringLiteral("macro");

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void valuesRoundTripExactly_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("empty") << QString();
        QTest::newRow("surrounding spaces") << QStringLiteral("  /p/a b.wcm  ");
        QTest::newRow("quotes and commas") << QStringLiteral("\"quoted\", 'single' a,b, c,");
        QTest::newRow("backslashes") << QStringLiteral("C:\\Macros\\x.wcm\\");
        QTest::newRow("newlines") << QStringLiteral("line1\nline2\r\nline3\t");
        QTest::newRow("ini syntax") << QStringLiteral("[Options]\nmacro=x ; comment # too");
        QTest::newRow("qsettings markers") << QStringLiteral("@ByteArray(x)");
        QTest::newRow("non-ascii") << QStringLiteral("/home/ü/日本/𝄞.wcm");
    }

    void valuesRoundTripExactly()
    {
        QFETCH(QString, value);
        testsupport::TempSettings temp;
        QVERIFY(temp.isValid());
        SaveSetting(kApp, kSection, kKey, QStringLiteral("first"));
        SaveSetting(kApp, kSection, kKey, value); // overwriting replaces
        QCOMPARE(GetSetting(kApp, kSection, kKey, QStringLiteral("default")), value);
    }

    // The store follows XDG_CONFIG_HOME each time, so one test's settings never leak into the next.
    void missingKeysGiveTheDefaultAndNothingLeaks()
    {
        {
            testsupport::TempSettings temp;
            QCOMPARE(GetSetting(kApp, kSection, kKey), QString());
            QCOMPARE(GetSetting(kApp, kSection, kKey, QStringLiteral("fallback")), "fallback");
            SaveSetting(kApp, kSection, kKey, QStringLiteral("/m.wcm"));
            QCOMPARE(GetSetting(kApp, QStringLiteral("Other"), kKey, QStringLiteral("d")), "d");
            QCOMPARE(GetSetting(QStringLiteral("other"), kSection, kKey), QString());
            QFile file(temp.iniFile());
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY(file.readAll().contains("[Options]\nmacro=/m.wcm"));
        }
        testsupport::TempSettings fresh;
        QCOMPARE(GetSetting(kApp, kSection, kKey), QString());
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
