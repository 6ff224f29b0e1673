// Quillon tests: finding the desktop's handler for a file type and starting programs, with a
// stand-in xdg-mime on PATH and desktop entries in a private data folder.
#include "BrowserLauncher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

void writeFile(const QString& path, const QByteArray& text, bool executable = false)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    if (executable)
        QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
}

// Sets an environment variable for the life of a test.
class EnvGuard final {
public:
    EnvGuard(const char* name, const QByteArray& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~EnvGuard()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

} // namespace

class TestShell : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void findsTheProgramOfTheDefaultHandler();
    void nothingAssociatedGivesEmpty();
    void executeStartsDetached();

private:
    QTemporaryDir m_root;
    QString m_bin;
    QString m_browser;
};

void TestShell::initTestCase()
{
    QVERIFY(m_root.isValid());
    m_bin = m_root.filePath(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(m_bin));
    QVERIFY(QDir().mkpath(m_root.filePath(QStringLiteral("data/applications"))));
    m_browser = m_root.filePath(QStringLiteral("bin/my browser"));
    writeFile(m_browser, "#!/bin/sh\nprintf '%s' \"$1\" > \"$(dirname \"$0\")/opened\"\n", true);
    // Answers like xdg-mime: HTML files are text/html, whose handler the test chooses through
    // FAKE_HANDLER ("" for none).
    writeFile(m_root.filePath(QStringLiteral("bin/xdg-mime")),
              "#!/bin/sh\n"
              "if [ \"$2\" = filetype ]; then case \"$3\" in *.HTM|*.htm) echo text/html;; *) echo "
              "text/plain;; esac; exit 0; fi\n"
              "if [ \"$2\" = default ] && [ \"$3\" = text/html ] && [ -n \"$FAKE_HANDLER\" ]; then "
              "echo \"$FAKE_HANDLER\"; fi\n",
              true);
    writeFile(m_root.filePath(QStringLiteral("data/applications/fake-browser.desktop")),
              "[Desktop Action new]\nExec=/wrong/program\n\n[Desktop Entry]\nType=Application\n"
              "Name=Fake\nExec=\"" +
                  m_browser.toUtf8() + "\" %u\n");
}

void TestShell::findsTheProgramOfTheDefaultHandler()
{
    EnvGuard path("PATH", m_bin.toLocal8Bit() + ":/usr/bin:/bin");
    EnvGuard data("XDG_DATA_HOME", m_root.filePath(QStringLiteral("data")).toLocal8Bit());
    EnvGuard dirs("XDG_DATA_DIRS", m_root.filePath(QStringLiteral("nowhere")).toLocal8Bit());
    const QString page = m_root.filePath(QStringLiteral("temphtm.HTM"));
    EnvGuard handler("FAKE_HANDLER", "fake-browser.desktop");
    QCOMPARE(platform::shell().findExecutable(page),
             m_root.filePath(QStringLiteral("data/applications/fake-browser.desktop")));
}

void TestShell::nothingAssociatedGivesEmpty()
{
    EnvGuard data("XDG_DATA_HOME", m_root.filePath(QStringLiteral("data")).toLocal8Bit());
    EnvGuard dirs("XDG_DATA_DIRS", m_root.filePath(QStringLiteral("nowhere")).toLocal8Bit());
    const QString page = m_root.filePath(QStringLiteral("temphtm.HTM"));
    {
        EnvGuard path("PATH", m_bin.toLocal8Bit() + ":/usr/bin:/bin");
        EnvGuard handler("FAKE_HANDLER", "");
        QCOMPARE(platform::shell().findExecutable(page), QString());
        EnvGuard missing("FAKE_HANDLER", "not-installed.desktop");
        QCOMPARE(platform::shell().findExecutable(page), QString());
    }
    {
        // No xdg-mime at all.
        EnvGuard path("PATH", m_root.filePath(QStringLiteral("nowhere")).toLocal8Bit());
        EnvGuard handler("FAKE_HANDLER", "fake-browser.desktop");
        QCOMPARE(platform::shell().findExecutable(page), QString());
    }
}

void TestShell::executeStartsDetached()
{
    const QString address = QStringLiteral("https://example.org/a b?x=\"1\"&y=ü");
    QVERIFY(platform::shell().execute(
        m_root.filePath(QStringLiteral("data/applications/fake-browser.desktop")), address));
    const QString opened = m_root.filePath(QStringLiteral("bin/opened"));
    QTRY_VERIFY(QFile::exists(opened) && QFileInfo(opened).size() > 0);
    QFile file(opened);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()), address);

    QVERIFY(!platform::shell().execute(m_root.filePath(QStringLiteral("missing")), address));
    QVERIFY(!platform::shell().execute(QString(), address));
}

QTEST_GUILESS_MAIN(TestShell)
#include "tst_shell.moc"
