// Quillon tests: the application started with a scripted word processor and scripted dialogs.
#include "AppHarness.h"

#include "General.h"
#include "ListView.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/Form3.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>

namespace apptest {

RunningApp::RunningApp(const QString& document, const std::function<void(RunningApp&)>& beforeStart,
                       std::shared_ptr<platform::AutomationObject> server)
{
    if (!server)
        server = m_scripted = std::make_shared<platform::ScriptedAutomationServer>();
    platform::RegisterServer(wire::kProgId, [server] { return server; });
    QTimer::singleShot(0, [this] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            quickStartModal = modal->objectName();
            mainVisibleBehindQuickStart = Form2::IsLoaded() && Form2::instance()->isVisible();
            if (auto* quickStart = qobject_cast<Form3*>(modal); quickStart && onQuickStart)
                onQuickStart(quickStart);
            else
                modal->hide();
        }
    });
    if (beforeStart)
        beforeStart(*this);
    Main(document);
}

RunningApp::~RunningApp()
{
    ResetGeneral();
    platform::UnregisterServer(wire::kProgId);
}

QString RunningApp::temp(const QString& name) const
{
    return name.isEmpty() ? m_temp.path() : m_temp.filePath(name);
}

QString makeFolder(const QString& path, const QStringList& names)
{
    QDir().mkpath(path);
    for (const QString& name : names) {
        QFile file(QDir(path).filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot create %s", qPrintable(file.fileName()));
    }
    return path;
}

QStringList documentRows()
{
    QStringList rows;
    platform::ListView* list = Form2::instance()->ListView1;
    for (int i = 0; i < list->Count(); ++i)
        rows << list->RowText(i, 0) + QLatin1Char('=') + list->RowText(i, 1);
    return rows;
}

void runBatch(RunningApp& app, const QString& source, const QString& target)
{
    Form1* batch = Form1::instance();
    app.folders.queueFolder(source);
    batch->btnSource->click();
    if (target.isEmpty())
        app.folders.queueCancel();
    else
        app.folders.queueFolder(target);
    batch->btnTarget->click();
    batch->Command1->click();
}

} // namespace apptest
