// Quillon engine tests: runs the external checkers (xmllint, the Nu HTML checker).
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

ToolResult checkDocBook(const QStringList& files)
{
    const QString schema = QStringLiteral("/usr/share/xml/docbook/schema/rng/5.0/docbook.rng");
    if (!QFileInfo::exists(schema))
        return {};
    return run(QStringLiteral("xmllint"),
               QStringList{QStringLiteral("--noout"), QStringLiteral("--relaxng"), schema} + files,
               120000);
}

ToolResult checkHtml(const QStringList& files)
{
    QString jar = qEnvironmentVariable("QUILLON_VNU_JAR");
    if (jar.isEmpty())
        jar = QStringLiteral(QUILLON_SOURCE_DIR "/.tools/node_modules/vnu-jar/build/dist/vnu.jar");
    if (!QFileInfo::exists(jar))
        return {};
    return run(QStringLiteral("java"),
               QStringList{QStringLiteral("-jar"), jar, QStringLiteral("--errors-only")} + files,
               120000);
}

} // namespace testtools
