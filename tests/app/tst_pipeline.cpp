// Quillon tests: the work queue, the extension chain, the document list, the decorators and
// the commands, each on its own.
#include "Doubles.h"
#include "Error.h"
#include "General.h"
#include "ListView.h"
#include "convert/Decorator.h"
#include "convert/ReDecorator.h"
#include "pipeline/Chain1.h"
#include "pipeline/Chain2.h"
#include "pipeline/ExtensionChain.h"
#include "pipeline/NoCmd.h"
#include "pipeline/ParseObject1.h"
#include "pipeline/Stack.h"
#include "ui/Form2.h"
#include "ui/frmExtension.h"

#include <QListWidget>
#include <QtTest>

using testsupport::errorNumber;

namespace {

// Something a decorator can run: counts its runs, and fails when told to.
class Probe final : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void Execute()
    {
        ++runs;
        if (fail)
            throw platform::Error(440, QStringLiteral("probe failed"));
    }
    int runs = 0;
    bool fail = false;
};

std::shared_ptr<ParseObject> item(const QString& name)
{
    auto result = std::make_shared<ParseObject1>();
    QString path = name;
    result->init(path);
    return result;
}

QString nameOf(const std::shared_ptr<ParseObject>& object)
{
    const auto* parse = dynamic_cast<const ParseObject1*>(object.get());
    return parse ? parse->fileName() : QStringLiteral("(none)");
}

QStringList drain(Stack& stack)
{
    QStringList names;
    while (stack.hasMoreElements())
        names << nameOf(stack.NextElement());
    return names;
}

} // namespace

class PipelineTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { ResetGeneral(); }

    // Items come out oldest first; top and nextTop look at the newest two; NextElement2add drops
    // the oldest two before it adds.
    void stack()
    {
        Stack stack;
        QVERIFY(!stack.hasMoreElements() && !stack.NextElement() && !stack.top());
        stack.add(item("A"));
        QVERIFY(!stack.nextTop());
        stack.add(item("B"));
        QCOMPARE(nameOf(stack.top()), QStringLiteral("B"));
        QCOMPARE(nameOf(stack.nextTop()), QStringLiteral("A"));
        stack.add(item("C"));
        QCOMPARE(nameOf(stack.nextTop()), QStringLiteral("B"));
        QCOMPARE(stack.count(), 3);
        QCOMPARE(drain(stack), QStringList({"A", "B", "C"}));

        for (const char* name : {"A", "B", "C"})
            stack.add(item(name));
        stack.NextElement2add(item("D"));
        QCOMPARE(drain(stack), QStringList({"C", "D"}));
        stack.add(item("A"));
        stack.NextElement2add(item("D"));
        QCOMPARE(drain(stack), QStringList({"A", "D"}));
        stack.NextElement2add(item("D"));
        QCOMPARE(drain(stack), QStringList({"D"}));
    }

    void extensionChain_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("afterwards");
        QTest::newRow("listed") << QStringList{"wpd"} << "wpd" << true << "wpd";
        QTest::newRow("capitals") << QStringList{"wpd"} << "WPD" << true << "wpd";
        QTest::newRow("listed in capitals") << QStringList{"WPD"} << "wpd" << true << "wpd";
        QTest::newRow("listed twice") << QStringList{"wpd", "wpd"} << "Wpd" << true << "wpd";
        QTest::newRow("other") << QStringList{"wpd"} << "DOC" << false << "doc";
        QTest::newRow("with dot") << QStringList{"wpd"} << ".wpd" << false << ".wpd";
        QTest::newRow("empty list") << QStringList{} << "wpd" << false << "wpd";
        QTest::newRow("no extension") << QStringList{"wpd"} << "Unknown" << false << "unknown";
    }

    void extensionChain()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, extension);
        QFETCH(bool, accepted);
        QFETCH(QString, afterwards);

        QListWidget* list = frmExtension::instance()->LstExt;
        QCOMPARE(list->count(), 1); // loaded with "wpd"
        list->clear();
        list->addItems(entries);
        const std::shared_ptr<Chain> chain = BuildExtensionChain();
        gExtFound = !accepted; // the sender clears it, whatever it was
        QCOMPARE(IsExtensionAccepted(*chain, extension), accepted);
        QCOMPARE(gExtFound, accepted);
        QCOMPARE(extension, afterwards);
        QVERIFY(!frmExtension::instance()->isVisible());
    }

    void chainLinks()
    {
        const std::shared_ptr<Chain> first = std::make_shared<Chain1>();
        const std::shared_ptr<Chain> second = std::make_shared<Chain2>();
        const std::shared_ptr<Chain> last = std::make_shared<NoCmd>();
        first->addChain(second);
        QVERIFY(first->hasChain() && first->getChain() == second);
        last->addChain(first); // the terminal link takes no successor
        QVERIFY(!last->hasChain() && !last->getChain());

        // A link without a successor ends the chain; the terminal link answers "not accepted".
        QString extension = QStringLiteral("DOC");
        gExtFound = true;
        QVERIFY(!second->sendToChain(extension));
        QCOMPARE(extension, QStringLiteral("doc"));
        QVERIFY(gExtFound);
        QVERIFY(!last->sendToChain(extension));
        QVERIFY(!gExtFound);
    }

    void decoratorRunsTheWrappedObjectByName()
    {
        const std::shared_ptr<AbstractDecorator> decorator = std::make_shared<Decorator>();
        QCOMPARE(errorNumber([&] { decorator->ShowIt(); }), platform::err::ObjectNotSet);

        const auto probe = std::make_shared<Probe>();
        std::shared_ptr<QObject> contents = probe;
        decorator->initContents(contents);
        QVERIFY(!decorator->getobject());

        std::shared_ptr<QObject> wrapped = probe;
        decorator->init(wrapped);
        QCOMPARE(decorator->getobject(), wrapped);
        decorator->ShowIt();
        QCOMPARE(probe->runs, 1);

        probe->fail = true;
        QCOMPARE(errorNumber([&] { decorator->ShowIt(); }), 440);
        QCOMPARE(probe->runs, 2);

        // An object without Execute cannot be run.
        std::shared_ptr<QObject> plain = std::make_shared<QObject>();
        decorator->init(plain);
        QCOMPARE(errorNumber([&] { decorator->ShowIt(); }), platform::err::NotSupported);
    }

    // A decorator of a decorator takes over its wrapped object (also handed it as contents)
    // but never runs it; anything else is a type mismatch.
    void reDecoratorTakesOverButNeverRuns()
    {
        const auto probe = std::make_shared<Probe>();
        const std::shared_ptr<AbstractDecorator> inner = std::make_shared<Decorator>();
        std::shared_ptr<QObject> wrapped = probe;
        inner->init(wrapped);

        ReDecorator outer;
        std::shared_ptr<QObject> innerObject = inner;
        outer.init(innerObject);
        QCOMPARE(outer.getobject(), wrapped);
        outer.ShowIt();
        QCOMPARE(probe->runs, 0);
        std::shared_ptr<QObject> empty;
        outer.init(empty);
        QVERIFY(!outer.getobject());

        AbstractDecorator& viaContents = outer;
        std::shared_ptr<QObject> handedBack = inner;
        viaContents.initContents(handedBack);
        QCOMPARE(handedBack.get(), static_cast<QObject*>(inner.get()));
        QCOMPARE(viaContents.getobject(), wrapped);

        std::shared_ptr<QObject> notADecorator = probe;
        QCOMPARE(errorNumber([&] { viaContents.initContents(notADecorator); }),
                 platform::err::TypeMismatch);
        QCOMPARE(errorNumber([&] { outer.init(notADecorator); }), platform::err::TypeMismatch);
    }
};

QTEST_MAIN(PipelineTest)
#include "tst_pipeline.moc"
