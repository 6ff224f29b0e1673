// Quillon: default message sink and invalid-argument raiser of the file-system helper.
#include "FsMessages.h"

#include <QtGlobal>

namespace fs {

namespace {

// Without a window system to show boxes on, errors are written to the log and every question
// is answered No, so nothing is overwritten or deleted unasked.
class DefaultSink : public FsMessageSink {
public:
    void error(const QString& text, const QString& title, bool critical) override
    {
        qWarning("%s%s: %s", critical ? "critical: " : "", qUtf8Printable(title),
                 qUtf8Printable(text));
    }
    bool confirm(const QString&) override { return false; }
};

DefaultSink g_defaultSink;
FsMessageSink* g_sink = nullptr;
InvalidArgumentRaiser g_raiser = nullptr;

} // namespace

FsMessageSink* setFsMessageSink(FsMessageSink* sink)
{
    FsMessageSink* previous = g_sink;
    g_sink = sink;
    return previous;
}

FsMessageSink& fsMessageSink()
{
    return g_sink ? *g_sink : g_defaultSink;
}

void raiseInvalidArgument()
{
    if (g_raiser)
        g_raiser();
    throw InvalidArgument();
}

InvalidArgumentRaiser setInvalidArgumentRaiser(InvalidArgumentRaiser raiser)
{
    InvalidArgumentRaiser previous = g_raiser;
    g_raiser = raiser;
    return previous;
}

} // namespace fs
