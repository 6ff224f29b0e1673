// Quillon: reading the JPEG quality the user types, the same way in the application and the
// engine.
#include "QualityText.h"

#include <QLocale>

#include <cmath>

namespace wire {

std::optional<double> qualityNumber(const QString& text)
{
    bool ok = false;
    double value = QLocale().toDouble(text, &ok);
    if (!ok)
        value = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace wire
