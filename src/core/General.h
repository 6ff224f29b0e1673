// Quillon: the start routine and the process-wide variables several parts share.
#pragma once

#include <QString>
#include <memory>

class Mediator;
namespace platform {
class AutomationObject;
}

// The one coordinator, created by Main and never replaced.
extern std::shared_ptr<Mediator> gMediator;
// The word processor's automation object, created by Mediator::init.
extern std::shared_ptr<platform::AutomationObject> gWordPerfect;
// The extension chain's answer: cleared by the sender before a file's extension is sent, set
// True by the chain when the extension is in the extension list.
extern bool gExtFound;

// The start routine: creates the coordinator, loads the extension manager hidden, connects to
// the word processor (or ends the program), shows the main window and the Quick Start dialog
// modally over it. Returns once the Quick Start dialog is hidden or closed.
// A document given (the program was started with one, as a file manager's "Open with" does) is
// what the user would otherwise pick through Quick Start's Open Document: it is converted at
// once as File -> Open converts a picked document, save dialog included, and Quick Start is not
// shown. A document that is not a file, or whose extension the extension list does not take, is
// refused with a message box, and start-up goes on with Quick Start.
void Main(const QString& document = QString());

// The object behind a reference (shared or owned); raises error 91 ("Object variable or With block
// variable not set") when the reference is empty, as the automation runtime does.
[[noreturn]] void RaiseObjectNotSet();
template <class Pointer> auto& RequireObject(const Pointer& object)
{
    if (!object)
        RaiseObjectNotSet();
    return *object;
}

// Forgets the coordinator, the automation object and the answer flag, and unloads every window
// (for tests that start the program more than once in one process).
void ResetGeneral();
