// Quillon engine: the automation server the application drives (wire::kProgId).
#include "CommandLine.h"
#include "MessageLog.h"

#include <QStringList>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv)
{
    engine::installMessageLog();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return engine::CommandLine::run(arguments, out, err);
}
