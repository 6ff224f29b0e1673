// quillon-convert: converts an archive of WordPerfect documents from the command line.
#include "ArchiveConverter.h"
#include "CommandLine.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

int main(int argc, char** argv)
{
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QByteArray(argv[i]);
    QCoreApplication app(argc, argv); // the engine is looked up from this program's folder
    // The walk holds a folder open for each level it has yet to finish: more descriptors than
    // the usual 1024, where the system allows.
    constexpr rlim_t kDescriptors = 16384;
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < kDescriptors) {
        files.rlim_cur = std::min(files.rlim_max, kDescriptors);
        ::setrlimit(RLIMIT_NOFILE, &files);
    }

    // The processors this process may run on: Qt counts those of its affinity mask, so a batch
    // scheduler that grants fewer than exist gets as many jobs as it granted.
    const cli::CommandLine line = cli::CommandLine::parse(arguments, QThread::idealThreadCount());
    switch (line.action) {
    case cli::CommandLine::Action::Help:
        std::fputs(cli::CommandLine::helpText().constData(), stdout);
        return cli::exitcode::Done;
    case cli::CommandLine::Action::Version:
        std::fputs(cli::CommandLine::versionText().constData(), stdout);
        return cli::exitcode::Done;
    case cli::CommandLine::Action::Error:
        std::fprintf(stderr,
                     "quillon-convert: %s\nTry 'quillon-convert --help' for more information.\n",
                     line.error.toUtf8().constData());
        return cli::exitcode::Usage;
    case cli::CommandLine::Action::Run:
        break;
    }
    return cli::ArchiveConverter(line.settings).run();
}
