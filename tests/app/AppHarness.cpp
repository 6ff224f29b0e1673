// Quillon tests: the application started with a scripted word processor and scripted dialogs.
#include "AppHarness.h"

#include "General.h"
#include "ListView.h"
#include "ui/Form1.h"
#include "ui/Form2.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace apptest {

RunningApp::RunningApp(const QString& document, const std::function<void(RunningApp&)>& beforeStart)
    : m_server(std::make_shared<platform::ScriptedAutomationServer>())
{
    const std::shared_ptr<platform::ScriptedAutomationServer> server = m_server;
    platform::RegisterServer(kProgId, [server] { return server; });
    QTimer::singleShot(0, [this] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            quickStartModal = modal->objectName();
            mainVisibleBehindQuickStart = Form2::IsLoaded() && Form2::instance()->isVisible();
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
    platform::UnregisterServer(kProgId);
}

void whenModal(const QString& objectName, std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [timer, objectName, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() != objectName)
            return;
        timer->stop();
        timer->deleteLater();
        act(modal);
    });
    timer->start();
}

QString makeFiles(const QTemporaryDir& dir, const QStringList& names)
{
    for (const QString& name : names) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot create %s", qPrintable(file.fileName()));
    }
    return dir.path();
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
