// Quillon tests: start-up, the main window, its menus and the ways out of the program.
#include "AppHarness.h"
#include "General.h"
#include "ListView.h"
#include "Mediator.h"
#include "ProgramExit.h"
#include "StartOptions.h"
#include "StateManager.h"
#include "ui/Form2.h"
#include "ui/Form3.h"
#include "ui/frmExtension.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using apptest::RunningApp;

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void withoutWordProcessorOnlyTheMessageIsShownAndTheProgramEnds()
    {
        platform::UnregisterServer(wire::kProgId);
        testsupport::RecordingMessageBox boxes;
        testsupport::ExitRecorder exits;
        bool ended = false;
        try {
            Main();
        } catch (const platform::ProgramEnded&) {
            ended = true;
        }
        QVERIFY(ended);
        QCOMPARE(exits.count(), 1);
        QCOMPARE(boxes.count(), 1);
        const platform::MessageBoxRequest& box = boxes.requests().first();
        QCOMPARE(box.text, QStringLiteral("Could not find WordPerfect"));
        QCOMPARE(box.title, QStringLiteral("Error!"));
        QCOMPARE(box.icon, platform::MsgIcon::Exclamation);
        QCOMPARE(box.buttons, platform::MsgButtons::OK);
        for (QWidget* widget : QApplication::topLevelWidgets())
            QVERIFY2(!widget->isVisible(), qPrintable(widget->objectName()));
        QVERIFY(!gWordPerfect);
        ResetGeneral();
    }

    void startsWithEmptyListMenusAndModalQuickStart()
    {
        RunningApp app;
        Form2* main = Form2::instance();
        QVERIFY(main->isVisible());
        QCOMPARE(app.quickStartModal, QStringLiteral("Form3"));
        QVERIFY(app.mainVisibleBehindQuickStart);
        QCOMPARE(Form3::instance()->parentWidget(), main);
        QVERIFY(frmExtension::IsLoaded());
        QVERIFY(!frmExtension::instance()->isVisible());
        QCOMPARE(app.boxes.count(), 0);

        QCOMPARE(main->ListView1->Count(), 0);
        QCOMPARE(main->ListView1->headerText(0), QStringLiteral("File Name:"));
        QCOMPARE(main->ListView1->headerText(1), QStringLiteral("Status:"));
        QVERIFY(!main->ListView1->isHeaderHidden());
        QVERIFY(main->ListView1->isSorted());
        QVERIFY(main->ListView1->sortDescending());
        QCOMPARE(main->ListView1->selectionBehavior(), QAbstractItemView::SelectRows);
        QVERIFY(!main->Next->isVisible());
        QCOMPARE(main->Next->text(), QStringLiteral("Next Document"));

        QStringList menus;
        for (QAction* top : main->menuBar()->actions()) {
            QStringList items;
            for (QAction* item : top->menu()->actions())
                items << item->text() + QLatin1Char('/') + item->objectName();
            menus << top->text() + QLatin1Char('/') + top->menu()->objectName() + QLatin1Char(':') +
                         items.join(QLatin1Char(','));
        }
        QCOMPARE(menus, QStringList({
                            "&File/mnuFile:Open/mnuOpen,Batch/mnuBatch,Close/mnuClose,Exit/mnuExit",
                            "Settings/mnuSettings:Options/mnOptions,Macro To Run/mnuMacroRun",
                            "About/mnuAbout:Info/mnuInfo",
                        }));

        QCOMPARE(gMediator->stateManager()->currentState(),
                 gMediator->stateManager()->stateThree());
        QVERIFY(gMediator->GetTempFolder().endsWith(QLatin1Char('/')));
        QCOMPARE(gMediator->GetSourceFolder(), QString());
        QCOMPARE(gMediator->GetTgtFolder(), QString());
    }

    // The idle state (the one start-up leaves) only empties the list; File > Close empties it and
    // keeps the mode; the states survive switching back and forth.
    void statesAndClose()
    {
        RunningApp app;
        platform::ListView* list = Form2::instance()->ListView1;
        list->AddItem("/d/a.wpd", "/d/a.wpd");
        QString text = QStringLiteral("test");
        gMediator->Command2(text);
        gMediator->Command3();
        QCOMPARE(list->Count(), 1);
        gMediator->SetSourceFile("/d/a.wpd");
        QString file = gMediator->GetSourceFile();
        gMediator->Command1(file);
        QCOMPARE(list->Count(), 0);
        QVERIFY(app.calls().isEmpty());

        StateManager* states = gMediator->stateManager();
        gMediator->StartStateTwo();
        list->AddItem("/d/a.wpd", "/d/a.wpd");
        Form2::instance()->mnuClose->trigger();
        QCOMPARE(list->Count(), 0);
        QCOMPARE(states->currentState(), states->stateTwo());
        State* one = states->stateOne();
        gMediator->startStateOne();
        gMediator->StartStateTwo();
        gMediator->startStateOne();
        QCOMPARE(states->currentState(), one);
        QVERIFY(!Form2::instance()->Next->isVisible());
    }

    void exitButtonMenuAndCloseBoxEndTheProgram()
    {
        RunningApp app;
        Form2* main = Form2::instance();
        main->mnuExit->trigger();
        QCOMPARE(app.exits.count(), 1);
        main->btnExit->click();
        QCOMPARE(app.exits.count(), 2);
        main->close();
        QCOMPARE(app.exits.count(), 3);
        QCOMPARE(app.boxes.count(), 0);
        // Nothing is said to the word processor on the way out.
        QVERIFY(app.calls().isEmpty());
    }

    // As a shell gives it, relative to the working folder: converted at once instead of Quick
    // Start, the main window shown behind the Save dialog.
    void documentOnTheCommandLineIsConvertedInsteadOfQuickStart()
    {
        QTemporaryDir dir;
        const QString folder = apptest::makeFolder(dir.path(), {"Report.WPD"});
        const QString previous = QDir::currentPath();
        QDir::setCurrent(folder);
        bool mainShown = false;
        RunningApp app("./sub/../Report.WPD", [&](RunningApp& starting) {
            starting.files.setObserver([&](const platform::FileDialogRequest&) {
                mainShown = Form2::instance()->isVisible();
            });
            starting.files.queueFile(folder + "/chosen.xml");
        });
        QDir::setCurrent(previous);

        QVERIFY2(app.quickStartModal.isEmpty(), qPrintable(app.quickStartModal));
        QVERIFY(mainShown);
        QCOMPARE(app.files.count(), 1);
        QCOMPARE(app.files.requests().first().fileName, folder + "/Report.xml");
        QCOMPARE(app.calls().value(0), "FileOpen(" + folder + "/Report.WPD)");
        QCOMPARE(apptest::documentRows(), QStringList({folder + "/Report.WPD=Converted!"}));
    }

    void documentOnTheCommandLineThatCannotBeConverted_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << "gone.wpd"
                                 << "Could not find the document \"%1/gone.wpd\".";
        QTest::newRow("folder") << "folder.wpd"
                                << "Could not find the document \"%1/folder.wpd\".";
        // A name the extension list does not take is asked of the word processor, which here
        // does not know the file.
        QTest::newRow("other extension, not a document")
            << "notes.wp5"
            << "\"notes.wp5\" was not converted: it is not a WordPerfect document.";
    }

    // Refused with a message, then the usual start: the user can still pick another document.
    void documentOnTheCommandLineThatCannotBeConverted()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        QTemporaryDir dir;
        apptest::makeFolder(dir.path(), {"notes.wp5"});
        QVERIFY(QDir(dir.path()).mkdir("folder.wpd"));
        RunningApp app(dir.filePath(name));
        QCOMPARE(app.boxes.count(), 1);
        QCOMPARE(app.boxes.requests().first().text, message.arg(dir.path()));
        QCOMPARE(app.boxes.requests().first().icon, platform::MsgIcon::Exclamation);
        QCOMPARE(app.quickStartModal, QStringLiteral("Form3"));
        QCOMPARE(app.files.count(), 0);
        QCOMPARE(app.calls(), name.endsWith(".wpd")
                                  ? QStringList()
                                  : QStringList{"FileIsDocument(" + dir.filePath(name) + ")"});
        QCOMPARE(Form2::instance()->ListView1->Count(), 0);
    }

    void commandLine_data()
    {
        using Action = StartOptions::Action;
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("document");
        QTest::newRow("nothing") << QStringList() << Action::Start << "";
        QTest::newRow("document") << QStringList{"a.wpd"} << Action::Start << "a.wpd";
        QTest::newRow("dash names a document after --")
            << QStringList{"--", "-a.wpd"} << Action::Start << "-a.wpd";
        QTest::newRow("help wins over errors")
            << QStringList{"-platform", "offscreen", "x", "--help"} << Action::Help << "";
        QTest::newRow("version") << QStringList{"a.wpd", "-v"} << Action::Version << "";
        QTest::newRow("help after -- is a document")
            << QStringList{"--", "--help"} << Action::Start << "--help";
        QTest::newRow("unknown option") << QStringList{"--open", "a.wpd"} << Action::Error << "";
        QTest::newRow("two documents") << QStringList{"a.wpd", "b.wpd"} << Action::Error << "";
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(StartOptions::Action, action);
        QFETCH(QString, document);
        const StartOptions options = ParseStartOptions(arguments);
        QCOMPARE(options.action, action);
        QCOMPARE(options.document, document);
        QCOMPARE(options.error.isEmpty(), action != StartOptions::Action::Error);
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
