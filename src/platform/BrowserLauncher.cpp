// Quillon: finding and starting the user's web browser.
#include "BrowserLauncher.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

namespace platform {
namespace {

constexpr int kXdgMimeTimeoutMs = 5000;

// Runs xdg-mime with the arguments and returns its first output line, "" on any failure.
QString xdgMime(const QStringList& arguments)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (tool.isEmpty())
        return QString();
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(tool, arguments);
    if (!process.waitForStarted(kXdgMimeTimeoutMs))
        return QString();
    if (!process.waitForFinished(kXdgMimeTimeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return QString();
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QString();
    const QString output = QString::fromLocal8Bit(process.readAllStandardOutput());
    return output.section(QLatin1Char('\n'), 0, 0).trimmed();
}

// The program named by the Exec= line of a desktop entry: its first word, without quotes.
QString execProgram(const QString& desktopFile)
{
    QFile file(desktopFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    QTextStream in(&file);
    bool inEntry = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inEntry || !line.startsWith(QLatin1String("Exec=")))
            continue;
        const QString command = line.mid(5).trimmed();
        QString program;
        if (command.startsWith(QLatin1Char('"'))) {
            const int end = command.indexOf(QLatin1Char('"'), 1);
            program = command.mid(1, end < 0 ? -1 : end - 1);
        } else {
            program = command.section(QLatin1Char(' '), 0, 0);
        }
        if (program.isEmpty())
            return QString();
        if (QFileInfo(program).isAbsolute())
            return QFileInfo(program).isExecutable() ? program : QString();
        return QStandardPaths::findExecutable(program);
    }
    return QString();
}

class XdgShellProvider final : public ShellProvider {
public:
    QString findExecutable(const QString& file) override
    {
        const QString type = xdgMime({QStringLiteral("query"), QStringLiteral("filetype"), file});
        if (type.isEmpty())
            return QString();
        const QString entry = xdgMime({QStringLiteral("query"), QStringLiteral("default"), type});
        if (entry.isEmpty())
            return QString();
        const QString path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, entry);
        return path.isEmpty() ? QString() : execProgram(path);
    }

    bool execute(const QString& program, const QString& argument) override
    {
        if (program.isEmpty())
            return false;
        return QProcess::startDetached(program, {argument});
    }
};

XdgShellProvider g_default;
ShellProvider* g_provider = &g_default;

} // namespace

ShellProvider* setShellProvider(ShellProvider* provider)
{
    ShellProvider* previous = g_provider == &g_default ? nullptr : g_provider;
    g_provider = provider ? provider : &g_default;
    return previous;
}

ShellProvider& shell()
{
    return *g_provider;
}

} // namespace platform
