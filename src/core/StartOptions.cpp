// Quillon: what the application is asked on its command line.
#include "StartOptions.h"

#include "AppIdentity.h"

StartOptions ParseStartOptions(const QStringList& arguments)
{
    StartOptions options;
    QStringList documents;
    bool help = false;
    bool version = false;
    bool optionsEnd = false;
    for (const QString& argument : arguments) {
        if (optionsEnd || argument == QLatin1String("-") || !argument.startsWith(u'-'))
            documents << argument;
        else if (argument == QLatin1String("--"))
            optionsEnd = true;
        else if (argument == QLatin1String("-h") || argument == QLatin1String("--help"))
            help = true;
        else if (argument == QLatin1String("-v") || argument == QLatin1String("--version"))
            version = true;
        else if (options.error.isEmpty())
            options.error = QStringLiteral("unknown option '%1'").arg(argument);
    }
    if (options.error.isEmpty() && documents.size() > 1)
        options.error = QStringLiteral("one document at a time, not %1").arg(documents.size());

    if (help || version) {
        options.action = help ? StartOptions::Action::Help : StartOptions::Action::Version;
        options.error.clear();
    } else if (!options.error.isEmpty()) {
        options.action = StartOptions::Action::Error;
    } else if (!documents.isEmpty()) {
        options.document = documents.first();
    }
    return options;
}

QString StartUsage()
{
    return QStringLiteral(
        "Usage: quillon [OPTION]... [DOCUMENT]\n"
        "Convert WordPerfect documents to XML or HTML.\n"
        "\n"
        "Without DOCUMENT, Quick Start offers to open a document or to convert a folder.\n"
        "With DOCUMENT, it is converted as File > Open converts a chosen document: the\n"
        "save dialog proposes the target beside it.\n"
        "\n"
        "  -h, --help     show this help and exit\n"
        "  -v, --version  show the version and exit\n"
        "\n"
        "Qt's own options (-platform, -style, ...) are also understood.\n"
        "Whole folders from the command line: quillon-convert. Manual: man quillon.\n");
}

QString StartVersion()
{
    return QStringLiteral("quillon %1\n").arg(platform::versionText());
}
