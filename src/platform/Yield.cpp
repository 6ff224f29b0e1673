// Quillon: letting the window system breathe during long work.
#include "Yield.h"

#include <QCoreApplication>
#include <QThread>

namespace platform {

void DoEvents(int times)
{
    for (int i = 0; i < times; ++i)
        QCoreApplication::processEvents();
}

void Sleep(unsigned long milliseconds)
{
    QThread::msleep(milliseconds);
}

} // namespace platform
