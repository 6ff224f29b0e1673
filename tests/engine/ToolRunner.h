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

// What to install when a checker is missing: a missing checker fails the test, never skips it.
inline constexpr const char kDocBookMissing[] =
    "xmllint or the DocBook 5.0 schema is missing: install libxml2-utils and docbook5-xml "
    "(scripts/install-deps.sh)";
inline constexpr const char kNuMissing[] =
    "the Nu HTML checker is missing: install java (default-jre-headless) and vnu.jar "
    "(scripts/install-deps.sh puts it in .tools)";

// xmllint --noout --relaxng <DocBook 5.0 schema> FILES...
ToolResult checkDocBook(const QStringList& files);

// java -jar vnu.jar --errors-only FILES... (one JVM for all files). The jar is taken from
// QUILLON_VNU_JAR or the source tree's .tools folder.
ToolResult checkHtml(const QStringList& files);

// Runs a program and waits for it at most timeoutMs.
ToolResult run(const QString& program, const QStringList& arguments, int timeoutMs);

} // namespace testtools
