// Quillon: reading the JPEG quality the user types, the same way in the application and the
// engine.
#pragma once

#include <QString>
#include <optional>

namespace wire {

// The number a quality text stands for: read in the user's locale ("1,000" is a thousand in
// English, one in German; "1.000" the other way round), or, when the locale cannot read it, in
// the C locale ("7.5" in German). Surrounding blanks are ignored. Empty text, letters, and the
// infinities and NaN are not numbers. No range is checked here.
std::optional<double> qualityNumber(const QString& text);

} // namespace wire
