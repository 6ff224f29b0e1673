// Quillon: the batch mode.
#include "State2.h"

#include "ExtensionChain.h"
#include "FileListControl.h"
#include "ListView.h"
#include "OutputNames.h"
#include "ParseObject1.h"
#include "Stack.h"
#include "clsFileSystem.h"
#include "core/Cmd2.h"
#include "core/General.h"
#include "core/Mediator.h"
#include "core/PathJoin.h"
#include "ui/Form2.h"

namespace {

// Marks the drain loop as running for the lifetime of the guard, also when an error leaves it.
class DrainGuard final {
public:
    explicit DrainGuard(bool& flag) : m_flag(flag) { m_flag = true; }
    ~DrainGuard() { m_flag = false; }
    DrainGuard(const DrainGuard&) = delete;
    DrainGuard& operator=(const DrainGuard&) = delete;

private:
    bool& m_flag;
};

} // namespace

State2::State2() = default;
State2::~State2() = default;

void State2::State_init(const std::shared_ptr<Mediator>& mediator)
{
    m_mediator = mediator;
}

void State2::State_Command1(QString&)
{
    Form2::instance()->ListView1->Clear();
    m_workStack = std::make_shared<Stack>();
    m_outputNames = std::make_shared<fs::OutputNames>();
    queueSourceFolder();
    startConversions();
}

void State2::queueSourceFolder()
{
    const std::shared_ptr<Chain> chain = BuildExtensionChain();
    clsFileSystem fs;
    platform::FileListControl* files = Form2::instance()->FileList;
    // A folder that cannot be listed raises an error here, before anything is queued.
    files->setPath(RequireObject(m_mediator.lock()).GetSourceFolder());

    const int count = files->ListCount();
    for (int i = 0; i < count; ++i) {
        files->setListIndex(i);
        try {
            QString fullPath = JoinPath(files->Path(), files->FileName());
            QString extension = fs.GetFileExtension(fullPath).toLower();
            if (IsExtensionAccepted(*chain, extension)) {
                const auto item = std::make_shared<ParseObject1>();
                item->init(fullPath);
                item->setOutputNames(m_outputNames);
                m_workStack->add(item);
            }
        } catch (const std::exception&) {
            // This file cannot be examined: skip it.
        }
    }
}

void State2::startConversions()
{
    for (;;) {
        try {
            const auto next = std::make_shared<Cmd2>();
            next->init(m_mediator.lock());
            static_cast<Command&>(*next).Execute();
            return;
        } catch (const std::exception&) {
            // A document failed (its row says so) and the batch goes on with the next queued
            // document, if any.
            if (!m_workStack || !m_workStack->hasMoreElements())
                return;
        }
    }
}

void State2::State_Command2(QString&)
{
    if (m_draining) {
        // A converter has finished its document: the running loop takes the next one.
        m_goOn = true;
        return;
    }
    const DrainGuard guard(m_draining);
    do {
        m_goOn = false;
        // The loop follows the current queue: a batch started meanwhile replaced it.
        const std::shared_ptr<Stack> stack = m_workStack;
        if (!stack || !stack->hasMoreElements())
            return;
        if (const std::shared_ptr<ParseObject> item = stack->NextElement())
            item->Execute();
    } while (m_goOn);
}
