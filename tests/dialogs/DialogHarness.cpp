// Quillon tests: the program started against a scripted word processor and scripted dialogs.
#include "DialogHarness.h"

#include "core/General.h"
#include "platform/ListView.h"
#include "ui/Form2.h"
#include "ui/Form3.h"

#include <QDir>
#include <QFile>
#include <QPushButton>

namespace dialogs {

namespace {
const QString kProgId = QStringLiteral("WordPerfect.PerfectScript");
}

Harness::Harness()
    : server(std::make_shared<platform::ScriptedAutomationServer>()),
      m_hadTmpDir(qEnvironmentVariableIsSet("TMPDIR"))
{
    platform::RegisterServer(kProgId, [object = server] { return object; });
    // The Quick Start link writes its scratch file into the temporary folder: keep it private.
    m_previousTmpDir = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(m_temp.path()));
}

Harness::~Harness()
{
    ResetGeneral();
    platform::UnregisterServer(kProgId);
    if (m_hadTmpDir) {
        qputenv("TMPDIR", m_previousTmpDir);
    } else {
        qunsetenv("TMPDIR");
    }
}

void Harness::start()
{
    runMain([](Form3* quickStart) { quickStart->btnCancel->click(); });
}

bool Harness::runMain(const std::function<void(Form3*)>& whileQuickStart)
{
    const auto ran = whenShown<Form3>(whileQuickStart);
    Main();
    return *ran;
}

QString Harness::makeFolder(const QString& name, const QStringList& fileNames)
{
    QDir root(m_temp.path());
    root.mkpath(name);
    const QString folder = root.filePath(name);
    for (const QString& fileName : fileNames) {
        QFile file(folder + QLatin1Char('/') + fileName);
        if (file.open(QIODevice::WriteOnly)) {
            file.write("WPC");
        }
    }
    return folder;
}

QStringList Harness::documentRows()
{
    QStringList rows;
    const platform::ListView* list = Form2::instance()->ListView1;
    for (int row = 0; row < list->Count(); ++row)
        rows << list->RowText(row, 0) + QLatin1Char('|') + list->RowText(row, 1);
    return rows;
}

} // namespace dialogs
