// Quillon: windows that exist at most once.
#pragma once

#include <QPointer>
#include <QWidget>

namespace platform {

// Gives a window class W a single-instance life: instance() creates and loads the
// window on first reference without showing it (W::Form_Load runs then), and returns the same
// window until it is unloaded. Unload() destroys it; the next reference loads it afresh.
//
// W derives from SingleInstance<W> and from a QWidget class, and has a default constructor and
// a void Form_Load().
template <class W> class SingleInstance {
public:
    static W* instance()
    {
        if (!s_instance) {
            W* window = new W();
            s_instance = window;
            window->Form_Load();
        }
        return s_instance.data();
    }
    static bool IsLoaded() { return !s_instance.isNull(); }
    // Destroys the window. Safe while it is inside its own event handler or modal loop: it
    // is hidden at once and deleted when control returns to the event loop.
    static void Unload()
    {
        if (W* window = s_instance.data()) {
            s_instance.clear();
            window->hide();
            window->deleteLater();
        }
    }

protected:
    SingleInstance() = default;
    ~SingleInstance() = default;

private:
    static inline QPointer<W> s_instance;
};

} // namespace platform
