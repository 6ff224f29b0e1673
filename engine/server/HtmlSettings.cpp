// Quillon engine: the HTML settings the engine keeps for the user.
#include "HtmlSettings.h"

#include "EngineError.h"
#include "EngineSettings.h"
#include "Pictures.h"

#include <QSettings>

namespace engine {

QString HtmlSettings::path()
{
    return wire::htmlSettingsPath();
}

HtmlSettings HtmlSettings::load(QStringList* warnings)
{
    HtmlSettings s;
    const QSettings file(path(), QSettings::IniFormat);
    auto text = [&file](const char* key) {
        return file.value(QStringLiteral("html/") + QLatin1String(key)).toString().trimmed();
    };
    auto warn = [warnings](const char* key, const QString& value) {
        if (warnings)
            *warnings << QStringLiteral("%1: html/%2=\"%3\" is not understood; the default is "
                                        "used")
                             .arg(path(), QLatin1String(key), value);
    };

    const QString pictures = text("pictures").toLower();
    if (pictures == QLatin1String("jpeg") || pictures == QLatin1String("jpg"))
        s.pictures = PictureFormat::Jpeg;
    else if (pictures == QLatin1String("svg"))
        s.pictures = PictureFormat::InlineSvg;
    else if (!pictures.isEmpty() && pictures != QLatin1String("png"))
        warn("pictures", pictures);

    const QString quality = text("jpegQuality");
    if (!quality.isEmpty()) {
        try {
            s.jpegQuality = jpegQualityFromText(quality);
        } catch (const EngineError&) {
            warn("jpegQuality", quality);
        }
    }

    const QString sheet = text("styleSheet").toLower();
    if (sheet == QLatin1String("external"))
        s.externalStyleSheet = true;
    else if (!sheet.isEmpty() && sheet != QLatin1String("embedded"))
        warn("styleSheet", sheet);

    const QString title = text("title").toLower();
    if (title == QLatin1String("filename"))
        s.titleFromFileName = true;
    else if (!title.isEmpty() && title != QLatin1String("document"))
        warn("title", title);
    return s;
}

} // namespace engine
