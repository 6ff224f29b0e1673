// Quillon: renders every window, in the states a user meets them, to PNG files offscreen.
//
// Usage: quillon-shots [--work FOLDER] [output folder]   (default: shots)
//
// Runs the real windows and a real batch against a scripted word processor; the desktop's
// dialogs answer from a script, the settings store and the documents live in a temporary folder,
// or in the folder --work names: the windows show its paths, so two runs given the same one
// draw the same pixels and can be compared.
#include "EngineContract.h"
#include "automation/AutomationObject.h"
#include "automation/ScriptedAutomationServer.h"
#include "core/General.h"
#include "platform/CommonDialog.h"
#include "platform/FolderBrowser.h"
#include "platform/MessageBox.h"
#include "platform/ProgramExit.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/Form3.h"
#include "ui/Form4.h"
#include "ui/frmAbout.h"
#include "ui/frmMacroSelect.h"
#include "ui/frmPublish.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <deque>

namespace {

QTextStream& err()
{
    static QTextStream stream(stderr);
    return stream;
}

// Folder browsers answer the queued folders, oldest first; then they are cancelled.
class ScriptedFolders final : public platform::FolderBrowserProvider {
public:
    std::deque<QString> answers;
    QString browse(const QString&) override
    {
        if (answers.empty()) {
            return QString();
        }
        const QString folder = answers.front();
        answers.pop_front();
        return folder;
    }
};

// File dialogs are cancelled: nothing here needs one.
class CancelledFiles final : public platform::FileDialogProvider {
public:
    bool show(const platform::FileDialogRequest&, QWidget*, QString&) override { return false; }
};

// Message boxes are answered OK and reported, since a screenshot run should show none.
class ReportedBoxes final : public platform::MessageBoxProvider {
public:
    int count = 0;
    platform::MsgResult show(const platform::MessageBoxRequest& request) override
    {
        ++count;
        err() << "message box: " << request.title << ": " << request.text << Qt::endl;
        return platform::MsgResult::OK;
    }
};

QtMessageHandler previousHandler = nullptr;

// The offscreen platform warns about window-manager hints it has no use for.
void quietOffscreenHints(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (text.startsWith(QLatin1String("This plugin does not support"))) {
        return;
    }
    if (previousHandler) {
        previousHandler(type, context, text);
    } else {
        std::fprintf(stderr, "%s\n", qUtf8Printable(text));
    }
}

void settle()
{
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::processEvents();
    }
}

class Shooter final {
public:
    explicit Shooter(QString folder) : m_folder(std::move(folder)) {}

    void shoot(QWidget* window, const QString& name)
    {
        window->show();
        settle();
        const QString path = QDir(m_folder).filePath(name + QStringLiteral(".png"));
        if (window->grab().save(path)) {
            QTextStream(stdout) << path << Qt::endl;
        } else {
            err() << "could not write " << path << Qt::endl;
            ++failures;
        }
    }

    int failures = 0;

private:
    QString m_folder;
};

// Writes a few documents (and one file the batch leaves alone) into folder.
void makeDocuments(const QString& folder)
{
    QDir().mkpath(folder);
    const QStringList names{"Annual report 2023.wpd", "Board minutes.wpd", "Budget.WPD",
                            "Letter to members.wpd",  "Price list.wpd",    "notes.txt"};
    for (const QString& name : names) {
        QFile file(QDir(folder).filePath(name));
        if (file.open(QIODevice::WriteOnly)) {
            file.write("\xffWPC");
        }
    }
}

} // namespace

int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    previousHandler = qInstallMessageHandler(quietOffscreenHints);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillon-shots"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Renders every window of Quillon to PNG files, offscreen."));
    parser.addHelpOption();
    const QCommandLineOption workOption(
        QStringLiteral("work"),
        QStringLiteral("Folder for the documents and the settings store, new or empty "
                       "(default: a new temporary folder)."),
        QStringLiteral("folder"));
    parser.addOption(workOption);
    parser.addPositionalArgument(QStringLiteral("output"),
                                 QStringLiteral("Folder for the PNG files (default: shots)."));
    parser.process(app);

    // The settings store of a screenshot run is a throw-away one.
    QTemporaryDir temporary(QDir::tempPath() + QStringLiteral("/quillon-shots-XXXXXX"));
    QDir work(temporary.path());
    if (parser.isSet(workOption)) {
        work.setPath(QDir(parser.value(workOption)).absolutePath());
        if (!QDir().mkpath(work.path()) || !work.isEmpty()) {
            err() << "quillon-shots: " << work.path() << " is not a new or empty folder" << Qt::endl;
            return 1;
        }
    } else if (!temporary.isValid()) {
        std::fputs("quillon-shots: no temporary folder\n", stderr);
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(work.filePath(QStringLiteral("config"))));
    const QString output = parser.positionalArguments().value(0, QStringLiteral("shots"));
    if (!QDir().mkpath(output)) {
        err() << "quillon-shots: cannot create " << output << Qt::endl;
        return 1;
    }

    auto server = std::make_shared<platform::ScriptedAutomationServer>();
    platform::RegisterServer(wire::kProgId, [server] { return server; });
    ScriptedFolders folders;
    CancelledFiles files;
    ReportedBoxes boxes;
    platform::setFolderBrowserProvider(&folders);
    platform::setFileDialogProvider(&files);
    platform::setMessageBoxProvider(&boxes);
    // Nothing here closes the main window; should anything try to end the run, say so.
    platform::setEndProgramHandler([](int code) {
        err() << "quillon-shots: the program asked to end (" << code << ")" << Qt::endl;
    });

    const QString source = work.filePath(QStringLiteral("Documents/Newsletter"));
    const QString target = work.filePath(QStringLiteral("Documents/Published"));
    makeDocuments(source);
    QDir().mkpath(target);

    Shooter shooter(output);
    try {
        // Start-up: the Quick Start dialog over the main window.
        bool quickStartShot = false;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (Form3::IsLoaded() && Form3::instance()->isVisible()) {
                poll.stop();
                shooter.shoot(Form3::instance(), QStringLiteral("quick-start"));
                quickStartShot = true;
                Form3::instance()->btnCancel->click();
            }
        });
        poll.start();
        Main();
        if (!quickStartShot) {
            err() << "quillon-shots: the Quick Start dialog never showed" << Qt::endl;
            return 1;
        }
        Form2* main = Form2::instance();
        shooter.shoot(main, QStringLiteral("main-empty"));

        // The batch dialog with both folders chosen and the documents it found.
        Form1* batch = Form1::instance();
        batch->show();
        folders.answers = {source, target};
        batch->btnSource->click();
        batch->btnTarget->click();
        shooter.shoot(batch, QStringLiteral("batch"));

        // A real batch through the pipeline; the rows end at "Converted".
        batch->Command1->click();
        settle();
        shooter.shoot(main, QStringLiteral("main-batch-finished"));

        frmPublish* publish = frmPublish::instance();
        shooter.shoot(publish, QStringLiteral("publish-xml"));
        publish->radhtml->click();
        shooter.shoot(publish, QStringLiteral("publish-html"));
        shooter.shoot(Form4::instance(), QStringLiteral("html-settings"));
        Form4::instance()->hide();
        publish->Command3->click();

        frmMacroSelect* macro = frmMacroSelect::instance();
        macro->txtpathfile->setText(QDir::homePath() + QStringLiteral("/Macros/Tidy headings.wcm"));
        shooter.shoot(macro, QStringLiteral("macro"));
        macro->hide();

        shooter.shoot(frmAbout::instance(), QStringLiteral("about"));
    } catch (const platform::ProgramEnded&) {
        err() << "quillon-shots: the program ended early" << Qt::endl;
        return 1;
    }

    ResetGeneral();
    if (boxes.count > 0) {
        err() << "quillon-shots: " << boxes.count << " message box(es) came up" << Qt::endl;
    }
    return shooter.failures == 0 && boxes.count == 0 ? 0 : 1;
}
