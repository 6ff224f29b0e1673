// Quillon: message boxes, behind one helper that tests replace.
#include "MessageBox.h"

#include "AppIdentity.h"

#include <QApplication>
#include <QMessageBox>

namespace platform {
namespace {

QMessageBox::StandardButtons qtButtons(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::OK:
        return QMessageBox::Ok;
    case MsgButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon qtIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::None:
        return QMessageBox::NoIcon;
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    }
    return QMessageBox::NoIcon;
}

// The answer for a box closed without pressing a button (Escape or the close box): its only
// or its negative button.
MsgResult escapeResult(MsgButtons buttons)
{
    return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::OK;
}

class QtMessageBoxProvider final : public MessageBoxProvider {
public:
    MsgResult show(const MessageBoxRequest& request) override
    {
        QMessageBox box(qtIcon(request.icon), request.title, request.text,
                        qtButtons(request.buttons), QApplication::activeWindow());
        switch (box.exec()) {
        case QMessageBox::Ok:
            return MsgResult::OK;
        case QMessageBox::Yes:
            return MsgResult::Yes;
        case QMessageBox::No:
            return MsgResult::No;
        default:
            return escapeResult(request.buttons);
        }
    }
};

QtMessageBoxProvider g_default;
MessageBoxProvider* g_provider = &g_default;

} // namespace

MessageBoxProvider* setMessageBoxProvider(MessageBoxProvider* provider)
{
    MessageBoxProvider* previous = g_provider == &g_default ? nullptr : g_provider;
    g_provider = provider ? provider : &g_default;
    return previous;
}

MsgResult MsgBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title)
{
    MessageBoxRequest request;
    request.text = text;
    request.buttons = buttons;
    request.icon = icon;
    request.title = title.isEmpty() ? appTitle() : title;
    return g_provider->show(request);
}

} // namespace platform
