// quillon-convert: why a file was not converted, in the words of the report and the summary.
#include "FailureKind.h"

#include <iterator>

namespace cli {
namespace {

struct Words {
    FailureKind kind;
    const char* report;
    const char* one;  // the summary's words for one skipped file, none for a failure
    const char* many; // and for several
};

// In the order of the enum.
constexpr Words kWords[] = {
    {FailureKind::None, "", nullptr, nullptr},
    {FailureKind::UpToDate, "up-to-date", "up to date", "up to date"},
    {FailureKind::NotADocument, "not-a-document", "not a WordPerfect document",
     "not WordPerfect documents"},
    {FailureKind::LinkOutOfSource, "link-out-of-source", "link out of SOURCE",
     "links out of SOURCE"},
    {FailureKind::LinkToFolder, "link-to-folder", "link to a folder", "links to folders"},
    {FailureKind::BrokenLink, "broken-link", "broken link", "broken links"},
    {FailureKind::NotAFile, "not-a-file", "not a regular file", "not regular files"},
    {FailureKind::InsideTarget, "inside-target", "in TARGET", "in TARGET"},
    {FailureKind::NotFound, "not-found", nullptr, nullptr},
    {FailureKind::Unreadable, "unreadable", nullptr, nullptr},
    {FailureKind::FolderUnreadable, "folder-unreadable", nullptr, nullptr},
    {FailureKind::OutsideSource, "outside-source", nullptr, nullptr},
    {FailureKind::OutputInSource, "output-in-source", nullptr, nullptr},
    {FailureKind::TargetUnwritable, "target-unwritable", nullptr, nullptr},
    {FailureKind::EngineUnavailable, "engine-unavailable", nullptr, nullptr},
    {FailureKind::EngineCrashed, "engine-crashed", nullptr, nullptr},
    {FailureKind::Interrupted, "interrupted", nullptr, nullptr},
    {FailureKind::NotEnoughMemory, "not-enough-memory", nullptr, nullptr},
    {FailureKind::PublishFailed, "publish-failed", nullptr, nullptr},
    {FailureKind::Damaged, "damaged", nullptr, nullptr},
    {FailureKind::Timeout, "timeout", nullptr, nullptr},
};

constexpr bool inOrder()
{
    for (size_t i = 0; i < std::size(kWords); ++i) {
        if (static_cast<size_t>(kWords[i].kind) != i)
            return false;
    }
    return static_cast<size_t>(FailureKind::Timeout) + 1 == std::size(kWords);
}
static_assert(inOrder(), "one row for each kind, in the order of the enum");

const Words& wordsOf(FailureKind kind)
{
    return kWords[static_cast<size_t>(kind)];
}

} // namespace

const char* reportWord(FailureKind kind)
{
    return wordsOf(kind).report;
}

QString summaryWords(FailureKind kind, qint64 n)
{
    const Words& words = wordsOf(kind);
    if (!words.one)
        return QLatin1String(words.report);
    return QLatin1String(n == 1 ? words.one : words.many);
}

} // namespace cli
