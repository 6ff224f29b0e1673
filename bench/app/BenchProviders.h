// Quillon benchmarks: scripted folder browser and message boxes for batches run unattended.
#pragma once

#include "FolderBrowser.h"
#include "MessageBox.h"

#include <cstdio>
#include <deque>

namespace bench {

// Answers the folder browser with the queued folders, in order.
class Folders final : public platform::FolderBrowserProvider {
public:
    QString browse(const QString&) override
    {
        const QString folder = answers.empty() ? QString() : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return folder;
    }
    std::deque<QString> answers;
};

// Prints a message box's text on standard error and answers OK.
class SilentBoxes final : public platform::MessageBoxProvider {
public:
    platform::MsgResult show(const platform::MessageBoxRequest& request) override
    {
        std::fprintf(stderr, "message box: %s\n", qPrintable(request.text));
        return platform::MsgResult::OK;
    }
};

} // namespace bench
