// Quillon engine tests: runs the external checkers (xmllint, the Nu HTML checker).
#pragma once

#include <QString>
#include <QStringList>

namespace testtools {

struct ToolResult {
    bool ran = false; // false when the tool is not installed
    int exitCode = -1;
    QString output; // standard output and error together
};

// xmllint --noout --relaxng <DocBook 5.0 schema> FILES...
ToolResult checkDocBook(const QStringList& files);

// java -jar vnu.jar --errors-only FILES... (one JVM for all files). The jar is taken from
// QUILLON_VNU_JAR or the source tree's .tools folder.
ToolResult checkHtml(const QStringList& files);

// Runs a program and waits for it at most timeoutMs.
ToolResult run(const QString& program, const QStringList& arguments, int timeoutMs);

} // namespace testtools
