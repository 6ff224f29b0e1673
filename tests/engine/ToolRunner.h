// Quillon engine tests: runs other programs, among them the checkers of the outputs (xmllint with
// the DocBook 5.0 schema, the Nu HTML checker).
#pragma once

#include <QString>
#include <QStringList>

namespace testtools {

struct ToolResult {
    bool ran = false;  // false when the program is not installed
    int exitCode = -1; // -1 also after a crash or the time limit
    QString output;    // standard output and error together
};

// Runs a program and waits for it at most timeoutMs.
ToolResult run(const QString& program, const QStringList& arguments, int timeoutMs);

// Checks DocBook files against the DocBook 5.0 schema and HTML files with the Nu HTML checker
// (one run of each for all files; the checker's jar from QUILLON_VNU_JAR or the source tree's
// .tools folder). Returns what is wrong, empty when all is valid. A missing checker is a fault
// too, named with what to install: it never lets a test pass unchecked.
QString invalid(const QStringList& docBookFiles, const QStringList& htmlFiles = {});

} // namespace testtools
