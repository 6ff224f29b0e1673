// Quillon: the About box.
#include "frmAbout.h"

#include "platform/AppIdentity.h"
#include "platform/Guard.h"
#include "platform/MessageBox.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// The program's mark: a page with a quill stroke across it.
QPixmap aboutPicture()
{
    constexpr int size = 64;
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor blue(40, 70, 140);
    painter.setPen(QPen(blue, 2));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(10, 4, 40, 54), 3, 3);
    painter.setPen(QPen(QColor(150, 165, 200), 2));
    for (int row = 0; row < 5; ++row) {
        const qreal y = 16 + row * 8;
        painter.drawLine(QPointF(17, y), QPointF(row == 4 ? 32 : 43, y));
    }
    QPainterPath quill;
    quill.moveTo(30, 52);
    quill.cubicTo(36, 36, 48, 18, 60, 6);
    quill.cubicTo(56, 22, 46, 38, 30, 52);
    painter.setPen(QPen(QColor(30, 120, 60), 1.5));
    painter.setBrush(QColor(60, 160, 90));
    painter.drawPath(quill);
    return pixmap;
}

} // namespace

frmAbout::frmAbout()
{
    setupUi(this);
    picIcon->setPixmap(aboutPicture());
    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    lblTitle->setFont(titleFont);
    lblTitle->installEventFilter(this);

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
}

void frmAbout::Form_Load()
{
    platform::Guarded([this] {
        setWindowTitle(QStringLiteral("About ") + platform::appTitle());
        lblVersion->setText(QStringLiteral("Version ") + platform::versionText());
        lblTitle->setText(platform::appTitle());
    });
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lblTitle && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        lblTitle->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        lblTitle_Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmAbout::cmdOK_Click()
{
    platform::Guarded([] { Unload(); });
}

void frmAbout::reject()
{
    cmdOK_Click();
}

void frmAbout::lblTitle_Click()
{
    platform::Guarded([] {
        platform::MsgBox(QString(), platform::MsgButtons::OK, platform::MsgIcon::None,
                         platform::appTitle());
    });
}
