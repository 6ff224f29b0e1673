// quillon-convert: the command line.
#include "CommandLine.h"

#include "AppIdentity.h"

#include <functional>
#include <optional>
#include <vector>

namespace cli {
namespace {

const char kHelp[] = R"help(Usage: quillon-convert [OPTION]... SOURCE TARGET
Convert the WordPerfect documents in SOURCE to XML or HTML in TARGET, several at once.

SOURCE is a folder, walked recursively, or one document. TARGET is the folder that receives
the outputs; it mirrors SOURCE's subfolders and is created when missing. Every regular file is
offered to the document engine whatever its extension: files that are not WordPerfect documents
are skipped. Symbolic links are not followed out of SOURCE, and a TARGET inside SOURCE is left
out of the walk.

Which files:
      --files-from=FILE   convert the files listed in FILE (- for standard input), one path a
                          line, instead of walking SOURCE; the paths, relative to the working
                          folder or absolute, must lie in SOURCE
  -0, --null              the list of --files-from is separated by NUL characters
      --extensions=LIST   only files with one of these extensions, compared in any case
                          (comma-separated, for example wpd,wp,wp5)
      --shard=K/N         only the K-th of N parts of the files (K from 1 to N); the parts
                          follow a hash of each path relative to SOURCE, so N runs given the
                          same SOURCE share the work without talking to each other
      --skip-existing     skip a document whose output exists and records that it was made
                          from this very document (the same path below SOURCE, size and
                          modification time) with the same settings
      --checksum          with --skip-existing, also compare the document's SHA-256 with the
                          one its output records (reads every document)

Output:
      --format=FORMAT     xml (DocBook, the default) or html
      --quality=N         JPEG quality of the pictures of XML output, 0 to 100 (default 80)
      --macro=FILE        play this macro on each document after opening it
      --report=FILE       write one JSON object a line to FILE (- for standard output) as each
                          file is done: source, target, status (converted, partial, failed,
                          timed-out, skipped), error kind and message, ms, pictures, bytes,
                          the document's SHA-256 and each written file's path, size and
                          SHA-256; FILE's folder is created when missing

Running:
  -j, --jobs=N            convert N documents at once, each in an engine process of its own
                          (default: the number of processors)
      --timeout=S         give up on a document after S seconds, ending its engine (default
                          120; 0 for no limit)
      --memory-limit=MB   cap the address space of each engine at MB megabytes (default 2048;
                          0 for no limit)
      --accept-failures   exit 0 when every file was handled, even if some documents
                          failed or timed out (the report and the summary still list them)
  -q, --quiet             no progress line and no summary
  -v, --verbose           a line on standard error for each file
  -h, --help              show this help and exit
      --version           show the version and exit

Every output records what it was made from: the document's path below SOURCE, its size,
modification time and SHA-256, the program's version and the publish settings.

Output names: the document's name without its last extension, plus .xml or .html; pictures
go into a folder beside it named after it with _files added. When documents of one folder would
share an output (a.wpd and a.WPD), the first in byte order keeps a.xml, a later one keeps its
whole name (a.WPD.xml), then " (2)", " (3)"... is added before the extension; the report says
so. A name that is not UTF-8 is written with "%XX" for each byte that is not, and for each "%".

Progress shows on standard error when it is a terminal; at the end a summary follows there.
Ctrl-C or SIGTERM stops starting documents, lets running ones finish for a few seconds, then
ends the engines; the report and the summary are completed. Outputs are never half-written.

Exit status:
  0  every file converted or skipped (or, with --accept-failures, handled)
  1  some documents failed, timed out or were damaged (partial: what could be read is kept)
  2  the command line was wrong
  3  SOURCE is missing, or TARGET or the report cannot be created
  4  the document engine cannot be started
  130  interrupted

Environment:
  QUILLON_ENGINE  the document engine to run (default: the one installed with this program,
                  or quillon-engine beside it in a build folder)
)help";

struct Option {
    const char* name;
    char shortName;
    bool takesValue;
    std::function<QString(Settings&, const QByteArray&)> apply; // returns an error, or ""
};

QString number(const QByteArray& value, int low, int high, int& out, const char* what)
{
    bool ok = false;
    const int n = value.trimmed().toInt(&ok);
    if (!ok || n < low || n > high)
        return QStringLiteral("%1 must be a whole number from %2 to %3, not \"%4\"")
            .arg(QLatin1String(what))
            .arg(low)
            .arg(high)
            .arg(QString::fromUtf8(value));
    out = n;
    return {};
}

QString shard(const QByteArray& value, Shard& out)
{
    const QList<QByteArray> parts = value.split('/');
    bool okIndex = false, okCount = false;
    const int index = parts.size() == 2 ? parts.at(0).toInt(&okIndex) : 0;
    const int count = parts.size() == 2 ? parts.at(1).toInt(&okCount) : 0;
    if (!okIndex || !okCount || count < 1 || index < 1 || index > count)
        return QStringLiteral("--shard must be K/N with 1 <= K <= N, not \"%1\"")
            .arg(QString::fromUtf8(value));
    out = {index, count};
    return {};
}

QString extensions(const QByteArray& value, QStringList& out)
{
    out.clear();
    for (const QByteArray& item : value.split(',')) {
        QString ext = QString::fromUtf8(item.trimmed()).toLower();
        while (ext.startsWith(u'.'))
            ext.remove(0, 1);
        if (!ext.isEmpty())
            out << ext;
    }
    return out.isEmpty() ? QStringLiteral("--extensions needs at least one extension") : QString();
}

// An option that sets a flag.
Option flag(const char* name, char shortName, bool Settings::*member)
{
    return {name, shortName, false, [member](Settings& s, const QByteArray&) {
                s.*member = true;
                return QString();
            }};
}

// An option that names a file.
Option file(const char* name, QByteArray Settings::*member)
{
    return {name, 0, true, [name, member](Settings& s, const QByteArray& v) {
                s.*member = v;
                return v.isEmpty() ? QStringLiteral("--%1 needs a file").arg(QLatin1String(name))
                                   : QString();
            }};
}

const std::vector<Option>& options()
{
    static const std::vector<Option> table = {
        file("files-from", &Settings::filesFrom),
        flag("null", '0', &Settings::nulSeparated),
        {"extensions", 0, true,
         [](Settings& s, const QByteArray& v) { return extensions(v, s.extensions); }},
        {"shard", 0, true, [](Settings& s, const QByteArray& v) { return shard(v, s.shard); }},
        flag("skip-existing", 0, &Settings::skipExisting),
        flag("checksum", 0, &Settings::checksum),
        flag("accept-failures", 0, &Settings::acceptFailures),
        {"format", 0, true,
         [](Settings& s, const QByteArray& v) {
             const QByteArray f = v.toLower();
             if (f != "xml" && f != "html")
                 return QStringLiteral("--format must be xml or html, not \"%1\"")
                     .arg(QString::fromUtf8(v));
             s.format = f == "xml" ? Format::Xml : Format::Html;
             return QString();
         }},
        {"quality", 0, true,
         [](Settings& s, const QByteArray& v) {
             return number(v, 0, 100, s.quality, "--quality");
         }},
        file("macro", &Settings::macro),
        file("report", &Settings::report),
        {"jobs", 'j', true,
         [](Settings& s, const QByteArray& v) { return number(v, 1, 1024, s.jobs, "--jobs"); }},
        {"timeout", 0, true,
         [](Settings& s, const QByteArray& v) {
             return number(v, 0, 1000000, s.timeoutSeconds, "--timeout");
         }},
        {"memory-limit", 0, true,
         [](Settings& s, const QByteArray& v) {
             const QString error = number(v, 0, 1 << 30, s.memoryLimitMb, "--memory-limit");
             if (error.isEmpty() && s.memoryLimitMb > 0 && s.memoryLimitMb < 256)
                 return QStringLiteral("--memory-limit must be 0 (none) or at least 256 MB: an "
                                       "engine needs that much to start");
             return error;
         }},
        flag("quiet", 'q', &Settings::quiet),
        flag("verbose", 'v', &Settings::verbose),
    };
    return table;
}

const Option* findLong(const QByteArray& name)
{
    for (const Option& o : options()) {
        if (name == o.name)
            return &o;
    }
    return nullptr;
}

const Option* findShort(char name)
{
    for (const Option& o : options()) {
        if (o.shortName == name)
            return &o;
    }
    return nullptr;
}

} // namespace

QString Settings::outputExtension() const
{
    return format == Format::Xml ? QStringLiteral(".xml") : QStringLiteral(".html");
}

bool Shard::contains(const QByteArray& relativePath) const
{
    if (count <= 1)
        return true;
    // 64-bit FNV-1a: fixed by its definition, the same on every machine and in every release.
    quint64 hash = 14695981039346656037ull;
    for (const char c : relativePath) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return static_cast<int>(hash % static_cast<quint64>(count)) == index - 1;
}

CommandLine CommandLine::parse(const QList<QByteArray>& arguments, int processors)
{
    CommandLine result;
    result.settings.jobs = qMax(1, processors);
    QList<QByteArray> operands;
    auto fail = [&result](const QString& error) {
        result.action = Action::Error;
        result.error = error;
        return result;
    };

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QByteArray& arg = arguments.at(i);
        if (arg == "--") {
            operands += arguments.mid(i + 1);
            break;
        }
        if (arg == "--help" || arg == "-h") {
            result.action = Action::Help;
            return result;
        }
        if (arg == "--version") {
            result.action = Action::Version;
            return result;
        }
        if (!arg.startsWith('-') || arg == "-") {
            operands << arg;
            continue;
        }
        // A long option, or a cluster of short ones ("-qv", "-j4", "-j 4").
        std::vector<std::pair<const Option*, std::optional<QByteArray>>> found;
        if (arg.startsWith("--")) {
            const qsizetype eq = arg.indexOf('=');
            const QByteArray name = arg.mid(2, eq < 0 ? -1 : eq - 2);
            const Option* o = findLong(name);
            if (!o)
                return fail(QStringLiteral("unknown option --%1").arg(QString::fromUtf8(name)));
            if (!o->takesValue && eq >= 0)
                return fail(QStringLiteral("--%1 takes no value").arg(QLatin1String(o->name)));
            found.emplace_back(o, eq >= 0 ? std::optional(arg.mid(eq + 1)) : std::nullopt);
        } else {
            for (qsizetype k = 1; k < arg.size(); ++k) {
                const Option* o = findShort(arg.at(k));
                if (!o)
                    return fail(QStringLiteral("unknown option -%1").arg(QChar(arg.at(k))));
                if (o->takesValue && k + 1 < arg.size()) {
                    found.emplace_back(o, arg.mid(k + 1));
                    break;
                }
                found.emplace_back(o, std::nullopt);
            }
        }
        for (auto& [o, value] : found) {
            if (o->takesValue && !value) {
                if (i + 1 >= arguments.size())
                    return fail(QStringLiteral("--%1 needs a value").arg(QLatin1String(o->name)));
                value = arguments.at(++i);
            }
            const QString error = o->apply(result.settings, value.value_or(QByteArray()));
            if (!error.isEmpty())
                return fail(error);
        }
    }

    if (operands.size() != 2)
        return fail(operands.size() < 2 ? QStringLiteral("SOURCE and TARGET are needed")
                                        : QStringLiteral("only SOURCE and TARGET are expected"));
    if (operands.at(0).isEmpty() || operands.at(1).isEmpty())
        return fail(QStringLiteral("SOURCE and TARGET must not be empty"));
    if (result.settings.nulSeparated && result.settings.filesFrom.isEmpty())
        return fail(QStringLiteral("-0 goes with --files-from"));
    if (result.settings.checksum && !result.settings.skipExisting)
        return fail(QStringLiteral("--checksum goes with --skip-existing"));
    result.settings.source = operands.at(0);
    result.settings.target = operands.at(1);
    return result;
}

QByteArray CommandLine::helpText()
{
    return QByteArray(kHelp);
}

QByteArray CommandLine::versionText()
{
    return QStringLiteral("quillon-convert %1\n").arg(platform::versionText()).toUtf8();
}

} // namespace cli
