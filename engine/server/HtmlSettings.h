// Quillon engine: the HTML settings the engine keeps for the user.
#pragma once

#include "PictureFormat.h"

#include <QString>
#include <QStringList>

namespace engine {

// How HTMLPublish shapes its page. Kept in the per-user file
// $XDG_CONFIG_HOME/quillon-engine/html.ini (~/.config/... without XDG_CONFIG_HOME), read at
// every publish; a missing file or key gives the default, a value that cannot be understood
// gives the default and a warning.
//
//   [html]
//   pictures=png          ; png | jpeg | svg (vector pictures inline, bitmaps as PNG)
//   jpegQuality=85        ; 0..100, for pictures=jpeg
//   styleSheet=embedded   ; embedded (a style element) | external (<base>_files/style.css)
//   title=document        ; document (its title property, else the file name) | filename
struct HtmlSettings {
    PictureFormat pictures = PictureFormat::Png;
    int jpegQuality = 85;
    bool externalStyleSheet = false;
    bool titleFromFileName = false;

    // The settings file's path.
    static QString path();
    // Reads the file; what cannot be understood is described in warnings.
    static HtmlSettings load(QStringList* warnings = nullptr);
};

} // namespace engine
