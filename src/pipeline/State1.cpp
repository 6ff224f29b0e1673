// Quillon: the single-document mode.
#include "State1.h"

#include "ExtensionChain.h"
#include "ListView.h"
#include "ParseObject2.h"
#include "Stack.h"
#include "clsFileSystem.h"
#include "core/Cmd2.h"
#include "core/General.h"
#include "core/Mediator.h"
#include "ui/Form2.h"

State1::State1() = default;
State1::~State1() = default;

void State1::State_init(const std::shared_ptr<Mediator>& mediator)
{
    m_mediator = mediator;
}

void State1::State_Command1(QString& path)
{
    const std::shared_ptr<Chain> chain = BuildExtensionChain();
    Form2::instance()->ListView1->Clear();
    m_workStack = std::make_shared<Stack>();

    QString extension = clsFileSystem().GetFileExtension(path).toLower();
    const std::shared_ptr<Mediator> mediator = m_mediator.lock();
    if (IsExtensionAccepted(*chain, extension) || (mediator && mediator->TakesAnyName(path))) {
        const auto item = std::make_shared<ParseObject2>();
        item->init(path);
        m_workStack->add(item);
    }

    // Issued also when nothing was queued: Command2 then finds the queue empty.
    const auto next = std::make_shared<Cmd2>();
    next->init(m_mediator.lock());
    static_cast<Command&>(*next).Execute();
}

void State1::State_Command2(QString&)
{
    const std::shared_ptr<Stack> stack = m_workStack;
    if (stack && stack->hasMoreElements()) {
        if (const std::shared_ptr<ParseObject> item = stack->NextElement())
            item->Execute();
    }
}
