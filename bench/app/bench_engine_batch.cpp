// Quillon benchmark: the application's batch with the real engine over real documents.
//
// Builds with the project (target bench_app_engine_batch) and is never part of the test run:
//
//   cmake --build build --target bench_app_engine_batch quillon-engine
//   QT_QPA_PLATFORM=offscreen build/bin/bench_app_engine_batch [DOCUMENTS] [ENGINE]
//
// Makes a folder of DOCUMENTS (default 1000) documents by copying the readable corpus documents
// (QUILLON_CORPUS, default ../shared/corpus beside the project; its MANIFEST.tsv says which are
// readable) round-robin, each named .wpd, then converts the folder with the batch dialog (Select...
// source, Select... target, Start) and the real windows offscreen, once to XML and once to HTML,
// with the engine beside this program or ENGINE. On the same files, side by side: LibreOffice
// headless (`soffice --headless --convert-to html`, 200 documents per call, as a single call
// over a thousand stops early) and libwpd's wpd2html (one process per document), when installed.
// Prints milliseconds per document (wall clock) and the ratios.
#include "BenchProviders.h"
#include "EngineContract.h"
#include "FolderBrowser.h"
#include "General.h"
#include "ListView.h"
#include "MessageBox.h"
#include "ProgramExit.h"
#include "automation/AutomationObject.h"
#include "automation/EngineAutomationClient.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/frmPublish.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <deque>

namespace {

const QString kProgId = wire::kProgId;

// The readable corpus documents, by the manifest.
QStringList readableDocuments(const QString& corpus)
{
    QFile manifest(QDir(corpus).filePath(QStringLiteral("MANIFEST.tsv")));
    QStringList documents;
    if (!manifest.open(QIODevice::ReadOnly | QIODevice::Text))
        return documents;
    QTextStream in(&manifest);
    in.readLine(); // the header
    for (QString line = in.readLine(); !line.isNull(); line = in.readLine()) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() > 8 && fields.at(8) == QLatin1String("yes"))
            documents << QDir(corpus).filePath(fields.at(0));
    }
    return documents;
}

double msPerDocument(qint64 nanoseconds, int documents)
{
    return nanoseconds / 1e6 / documents;
}

// Runs a program to its end, its output discarded; false when it could not be run.
bool runQuietly(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillon"));
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000;
    const QString engine = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                    : platform::EngineAutomationClient::defaultProgram();
    const QString corpus = qEnvironmentVariableIsSet("QUILLON_CORPUS")
                               ? qEnvironmentVariable("QUILLON_CORPUS")
                               : QStringLiteral(QUILLON_SOURCE_DIR "/../shared/corpus");
    const QStringList documents = readableDocuments(corpus);
    if (count <= 0 || documents.isEmpty() || !QFile::exists(engine)) {
        std::fprintf(stderr,
                     "usage: bench_app_engine_batch [DOCUMENTS] [ENGINE]\n"
                     "(needs the corpus with MANIFEST.tsv in QUILLON_CORPUS and the engine)\n");
        return 2;
    }

    QTemporaryDir source;
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const QString original = documents.at(i % documents.size());
        const QString copy = source.filePath(QStringLiteral("doc%1_%2")
                                                 .arg(i, 5, 10, QLatin1Char('0'))
                                                 .arg(QFileInfo(original).fileName()));
        if (!QFile::copy(original, copy)) {
            std::fprintf(stderr, "cannot copy %s\n", qPrintable(original));
            return 1;
        }
        files << copy;
    }

    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit()); // no user macro, default settings
    bench::Folders folders;
    platform::setFolderBrowserProvider(&folders);
    bench::SilentBoxes boxes;
    platform::setMessageBoxProvider(&boxes);
    platform::setEndProgramHandler([](int) {});
    platform::EngineAutomationClient::Options options;
    options.program = engine;
    options.discardEngineErrors = true;
    const auto client = std::make_shared<platform::EngineAutomationClient>(options);
    client->start();
    platform::RegisterServer(kProgId, [client] { return client; });
    QTimer::singleShot(0, [] {
        if (QWidget* quickStart = QApplication::activeModalWidget())
            quickStart->hide();
    });
    Main();

    std::printf("%d documents (%lld readable corpus documents round-robin), engine %s\n\n", count,
                static_cast<long long>(documents.size()), qPrintable(engine));
    std::printf("%-44s %12s\n", "", "ms/document");
    double html = 0;
    for (const bool xml : {true, false}) {
        QTemporaryDir target;
        frmPublish* publish = frmPublish::instance();
        (xml ? publish->radxml : publish->radhtml)->setChecked(true);
        Form2::instance()->ListView1->Clear();
        Form1* batch = Form1::instance();
        folders.answers = {source.path(), target.path()};
        batch->btnSource->click();
        batch->btnTarget->click();
        QElapsedTimer timer;
        timer.start();
        batch->Command1->click();
        const double ms = msPerDocument(timer.nsecsElapsed(), count);
        const int listed = Form2::instance()->ListView1->Count();
        // The batch takes on the documents its checks accept (WordPerfect 6 and later); the
        // others are passed over quickly, so the time per document it converted is given too.
        std::printf("%-44s %12.2f  (%.2f per converted document, %d of %d converted)\n",
                    xml ? "quillon batch, real engine, XML" : "quillon batch, real engine, HTML",
                    ms, ms * count / std::max(1, listed), listed, count);
        std::fflush(stdout);
        if (!xml)
            html = ms;
    }
    ResetGeneral();
    platform::UnregisterServer(kProgId);

    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (!soffice.isEmpty()) {
        QTemporaryDir out;
        QTemporaryDir profile; // a profile of its own, so a running office does not take the call
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < files.size(); i += 200) {
            QStringList arguments{QStringLiteral("-env:UserInstallation=file://") + profile.path(),
                                  QStringLiteral("--headless"),
                                  QStringLiteral("--convert-to"),
                                  QStringLiteral("html"),
                                  QStringLiteral("--outdir"),
                                  out.path()};
            arguments += files.mid(i, 200);
            runQuietly(soffice, arguments);
        }
        const double ms = msPerDocument(timer.nsecsElapsed(), count);
        const int converted = QDir(out.path()).entryList({QStringLiteral("*.html")}).size();
        std::printf("%-44s %12.2f  (quillon HTML is %.1f times faster; %d converted)\n",
                    "LibreOffice headless, HTML, 200 per call", ms, ms / html, converted);
    } else {
        std::printf("(LibreOffice is not installed: no soffice figures)\n");
    }
    const QString wpd2html = QStandardPaths::findExecutable(QStringLiteral("wpd2html"));
    if (!wpd2html.isEmpty()) {
        QElapsedTimer timer;
        timer.start();
        for (const QString& file : files)
            runQuietly(wpd2html, {file});
        const double ms = msPerDocument(timer.nsecsElapsed(), count);
        std::printf("%-44s %12.2f  (quillon HTML / wpd2html: %.2f)\n",
                    "wpd2html, one process per document", ms, html / ms);
    }
    return 0;
}
