// Quillon engine tests: runs other programs, among them the checkers of the outputs.
#include "ToolRunner.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace testtools {

ToolResult run(const QString& program, const QStringList& arguments, int timeoutMs)
{
    ToolResult result;
    if (QStandardPaths::findExecutable(program).isEmpty() && !QFileInfo(program).isExecutable())
        return result;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted())
        return result;
    result.ran = true;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.output = QStringLiteral("timed out");
        return result;
    }
    result.output = QString::fromUtf8(process.readAll());
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

QString invalid(const QStringList& docBookFiles, const QStringList& htmlFiles)
{
    QString problems;
    const auto check = [&](const QStringList& files, const QStringList& command,
                           const QString& requirement, const char* missing) {
        if (files.isEmpty())
            return;
        const ToolResult r = QFileInfo::exists(requirement)
                                 ? run(command.first(), command.mid(1) + files, 120000)
                                 : ToolResult{};
        if (!r.ran)
            problems += QLatin1String(missing);
        else if (r.exitCode != 0)
            problems += r.output;
    };
    const QString schema = QStringLiteral("/usr/share/xml/docbook/schema/rng/5.0/docbook.rng");
    check(docBookFiles, {"xmllint", "--noout", "--relaxng", schema}, schema,
          "xmllint or the DocBook 5.0 schema is missing: install libxml2-utils and docbook5-xml "
          "(scripts/install-deps.sh)\n");
    QString jar = qEnvironmentVariable("QUILLON_VNU_JAR");
    if (jar.isEmpty())
        jar = QStringLiteral(QUILLON_SOURCE_DIR "/.tools/node_modules/vnu-jar/build/dist/vnu.jar");
    check(htmlFiles, {"java", "-jar", jar, "--errors-only"}, jar,
          "the Nu HTML checker is missing: install java (default-jre-headless) and vnu.jar "
          "(scripts/install-deps.sh puts it in .tools)\n");
    return problems;
}

} // namespace testtools
