// Quillon: the pictures of the Quick Start dialog, which also make the application's icon.
#pragma once

class QIcon;
class QImage;
class QPainter;
class QString;

// Each picture fills a square of this many units of the painter's coordinates; scale the
// painter to draw it at another size.
constexpr int kQuickStartPictureSize = 56;

// A word-processor document: a page with lines of text.
void paintDocumentPicture(QPainter& painter);
// An arrow leading to a page of markup.
void paintMarkupPicture(QPainter& painter);
// The application's icon: the document with the arrow and the markup page before it.
void paintAppIcon(QPainter& painter);
// A picture drawn by paint at size x size pixels, on a transparent ground.
QImage renderPicture(void (*paint)(QPainter&), int size = kQuickStartPictureSize);
// The application's icon as the desktop's icon theme has it under this name (installed with
// the program), else drawn here.
QIcon appIcon(const QString& themeName);
