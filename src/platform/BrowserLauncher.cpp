// Quillon: finding and starting the program the desktop opens a file or folder with.
#include "BrowserLauncher.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

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

// What starting a desktop entry needs from its [Desktop Entry] group.
struct DesktopEntry {
    QString path;
    QString exec;
    QString name;
    QString icon;
};

// Undoes the escapes of a desktop entry's string values: \s, \n, \t, \r and \\.
QString unescapeValue(const QString& value)
{
    QString result;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\' || i + 1 == value.size()) {
            result += c;
            continue;
        }
        switch (value.at(++i).unicode()) {
        case 's':
            result += u' ';
            break;
        case 'n':
            result += u'\n';
            break;
        case 't':
            result += u'\t';
            break;
        case 'r':
            result += u'\r';
            break;
        default:
            result += value.at(i);
        }
    }
    return result;
}

DesktopEntry readEntry(const QString& path)
{
    DesktopEntry entry{path, {}, {}, {}};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return entry;
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inEntry || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = unescapeValue(line.mid(equals + 1).trimmed());
        if (key == QLatin1String("Exec"))
            entry.exec = value;
        else if (key == QLatin1String("Name"))
            entry.name = value;
        else if (key == QLatin1String("Icon"))
            entry.icon = value;
    }
    return entry;
}

// The command an entry's Exec line gives for one argument, read as desktop entries are: words
// separated by blanks; double quotes around a word that holds blanks or reserved characters,
// with \", \`, \$ and \\ inside them; field codes outside quotes replaced (%u, %U, %f and %F by
// the argument, which goes at the end when the line has none of them; %i by --icon and the
// icon, %c by the name, %k by the entry's path, %% by %; the deprecated ones dropped). Empty
// when the line is empty or leaves a quote open.
QStringList execCommand(const DesktopEntry& entry, const QString& argument)
{
    const QString& exec = entry.exec;
    QStringList words;
    QString word;
    bool inWord = false; // the word has text of its own, or quotes: kept even when empty
    bool quoted = false;
    bool argumentPlaced = false;
    const auto endWord = [&] {
        if (inWord || !word.isEmpty())
            words << word;
        word.clear();
        inWord = false;
    };
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted) {
            if (c == u'"')
                quoted = false;
            else if (c == u'\\' && i + 1 < exec.size() &&
                     QStringLiteral("\"`$\\").contains(exec.at(i + 1)))
                word += exec.at(++i);
            else
                word += c;
        } else if (c == u' ' || c == u'\t') {
            endWord();
        } else if (c == u'"') {
            quoted = inWord = true;
        } else if (c == u'%' && i + 1 < exec.size()) {
            const QChar code = exec.at(++i);
            const bool alone =
                word.isEmpty() && !inWord &&
                (i + 1 == exec.size() || exec.at(i + 1) == u' ' || exec.at(i + 1) == u'\t');
            if (QStringLiteral("uUfF").contains(code)) {
                word += argument;
                argumentPlaced = inWord = true;
            } else if (code == u'i' && alone && !entry.icon.isEmpty()) {
                words << QStringLiteral("--icon");
                word = entry.icon;
            } else if (code == u'c') {
                word += entry.name;
            } else if (code == u'k') {
                word += entry.path;
            } else if (code == u'%') {
                word += u'%';
                inWord = true;
            }
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted)
        return {};
    endWord();
    if (words.isEmpty())
        return {};
    if (!argumentPlaced)
        words << argument;
    return words;
}

// The program a command names, as a path that can be run, or "".
QString runnable(const QString& program)
{
    if (!program.contains(u'/'))
        return QStandardPaths::findExecutable(program);
    const QFileInfo info(program);
    return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
}

class XdgShellProvider final : public ShellProvider {
public:
    QString findExecutable(const QString& file) override
    {
        // The file's type from Qt's database, or from the desktop where Qt finds none.
        const QMimeType known = QMimeDatabase().mimeTypeForFile(file);
        const QString type =
            known.isValid() && !known.isDefault()
                ? known.name()
                : xdgMime({QStringLiteral("query"), QStringLiteral("filetype"), file});
        if (type.isEmpty())
            return QString();
        const QString id = xdgMime({QStringLiteral("query"), QStringLiteral("default"), type});
        if (id.isEmpty())
            return QString();
        const QString path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, id);
        if (path.isEmpty())
            return QString();
        const QStringList command = execCommand(readEntry(path), QString());
        return !command.isEmpty() && !runnable(command.first()).isEmpty() ? path : QString();
    }

    bool execute(const QString& program, const QString& argument) override
    {
        const QStringList command = execCommand(readEntry(program), argument);
        if (command.isEmpty())
            return false;
        const QString runner = runnable(command.first());
        return !runner.isEmpty() && QProcess::startDetached(runner, command.mid(1));
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
