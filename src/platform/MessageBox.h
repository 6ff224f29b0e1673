// Quillon: message boxes, behind one helper that tests replace.
#pragma once

#include <QString>

namespace platform {

enum class MsgButtons { OK, YesNo };
enum class MsgIcon { None, Critical, Exclamation };
enum class MsgResult { OK, Yes, No };

struct MessageBoxRequest {
    QString text;
    MsgButtons buttons = MsgButtons::OK;
    MsgIcon icon = MsgIcon::None;
    QString title; // never empty here: the helper fills in the application title
};

// Shows message boxes. The default provider uses QMessageBox; tests install one that records
// each box and answers it without showing anything.
class MessageBoxProvider {
public:
    virtual ~MessageBoxProvider() = default;
    virtual MsgResult show(const MessageBoxRequest& request) = 0;
};

// Installs a provider (not owned); nullptr restores the default. Returns the previous one.
MessageBoxProvider* setMessageBoxProvider(MessageBoxProvider* provider);

// Shows a message box. An empty title stands for the application title.
MsgResult MsgBox(const QString& text, MsgButtons buttons = MsgButtons::OK,
                 MsgIcon icon = MsgIcon::None, const QString& title = QString());

} // namespace platform
