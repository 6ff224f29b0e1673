// Quillon: routes the file-system helper's messages and errors into the application's own.
#include "FsMessageBridge.h"

#include "Error.h"
#include "FsMessages.h"
#include "MessageBox.h"

namespace {

class MsgBoxSink final : public fs::FsMessageSink {
public:
    void error(const QString& text, const QString& title, bool critical) override
    {
        platform::MsgBox(text, platform::MsgButtons::OK,
                         critical ? platform::MsgIcon::Critical : platform::MsgIcon::None, title);
    }
    bool confirm(const QString& text) override
    {
        return platform::MsgBox(text, platform::MsgButtons::YesNo) == platform::MsgResult::Yes;
    }
};

[[noreturn]] void raiseInvalidArgument()
{
    throw platform::Error(platform::err::InvalidArgument,
                          QStringLiteral("Invalid procedure call or argument"));
}

} // namespace

void InstallFsMessageBridge()
{
    static MsgBoxSink sink;
    fs::setFsMessageSink(&sink);
    fs::setInvalidArgumentRaiser(&raiseInvalidArgument);
}
