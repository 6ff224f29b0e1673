// Quillon: the pictures of the Quick Start dialog, which also make the application's icon.
#include "QuickStartPictures.h"

#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// A page with a folded corner.
void drawPage(QPainter& painter, const QRectF& page, const QColor& edge)
{
    const qreal fold = page.width() * 0.3;
    QPainterPath outline;
    outline.moveTo(page.topLeft());
    outline.lineTo(page.right() - fold, page.top());
    outline.lineTo(page.right(), page.top() + fold);
    outline.lineTo(page.bottomRight());
    outline.lineTo(page.bottomLeft());
    outline.closeSubpath();
    painter.setPen(QPen(edge, 1.5));
    painter.setBrush(Qt::white);
    painter.drawPath(outline);
    QPainterPath corner;
    corner.moveTo(page.right() - fold, page.top());
    corner.lineTo(page.right() - fold, page.top() + fold);
    corner.lineTo(page.right(), page.top() + fold);
    painter.setBrush(QColor(225, 232, 245));
    painter.drawPath(corner);
}

} // namespace

void paintDocumentPicture(QPainter& painter)
{
    const QRectF page(10, 4, 34, 46);
    drawPage(painter, page, QColor(40, 70, 140));
    painter.setPen(QPen(QColor(40, 70, 140), 2));
    for (int row = 0; row < 5; ++row) {
        const qreal y = page.top() + 16 + row * 6;
        const qreal right = page.right() - (row == 4 ? 14 : 6);
        painter.drawLine(QPointF(page.left() + 6, y), QPointF(right, y));
    }
}

void paintMarkupPicture(QPainter& painter)
{
    const QColor green(30, 120, 60);
    painter.setPen(Qt::NoPen);
    painter.setBrush(green);
    QPainterPath arrow;
    arrow.moveTo(0, 23);
    arrow.lineTo(8, 23);
    arrow.lineTo(8, 18);
    arrow.lineTo(16, 27);
    arrow.lineTo(8, 36);
    arrow.lineTo(8, 31);
    arrow.lineTo(0, 31);
    arrow.closeSubpath();
    painter.drawPath(arrow);
    const QRectF page(20, 4, 34, 46);
    drawPage(painter, page, green);
    painter.setPen(QPen(green, 2));
    painter.setBrush(Qt::NoBrush);
    // "</>"
    const qreal cy = page.top() + 28;
    painter.drawPolyline(QPolygonF({QPointF(30, cy - 6), QPointF(25, cy), QPointF(30, cy + 6)}));
    painter.drawLine(QPointF(39, cy - 7), QPointF(35, cy + 7));
    painter.drawPolyline(QPolygonF({QPointF(44, cy - 6), QPointF(49, cy), QPointF(44, cy + 6)}));
}

void paintAppIcon(QPainter& painter)
{
    painter.save();
    painter.translate(-5, -1);
    painter.scale(0.8, 0.8);
    paintDocumentPicture(painter);
    painter.restore();
    painter.save();
    painter.translate(12, 14);
    painter.scale(0.78, 0.78);
    paintMarkupPicture(painter);
    painter.restore();
}

QImage renderPicture(void (*paint)(QPainter&), int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(qreal(size) / kQuickStartPictureSize, qreal(size) / kQuickStartPictureSize);
    paint(painter);
    painter.end();
    return image;
}

QIcon appIcon(const QString& themeName)
{
    // The theme is asked first, so an installed program draws nothing at start-up.
    const QIcon themed = QIcon::fromTheme(themeName);
    if (!themed.isNull() && !themed.availableSizes().isEmpty())
        return themed;
    QIcon drawn;
    for (const int size : {16, 32, 64})
        drawn.addPixmap(QPixmap::fromImage(renderPicture(paintAppIcon, size)));
    return drawn;
}
