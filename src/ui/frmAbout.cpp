// Quillon: the About box.
#include "frmAbout.h"

#include "platform/AppIdentity.h"
#include "platform/Guard.h"
#include "platform/MessageBox.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* makeLabel(const QString& name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

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
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));

    auto* picture = makeLabel(QStringLiteral("picIcon"), QString(), this);
    picture->setPixmap(aboutPicture());
    picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    lblTitle = makeLabel(QStringLiteral("lblTitle"), QStringLiteral("Application Title"), this);
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    lblTitle->setFont(titleFont);
    lblTitle->installEventFilter(this);

    lblVersion = makeLabel(QStringLiteral("lblVersion"), QStringLiteral("Version"), this);
    lblDescription = makeLabel(QStringLiteral("lblDescription"),
                               QStringLiteral("Converts WordPerfect documents to XML HTML"), this);
    lblDescription->setWordWrap(true);
    Label6 = makeLabel(QStringLiteral("Label6"), QString(), this);
    Label6->setWordWrap(true);

    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdOK->setMinimumWidth(88);
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setAutoDefault(false);
    cmdSysInfo->hide();

    auto* texts = new QVBoxLayout;
    texts->setSpacing(6);
    texts->addWidget(lblTitle);
    texts->addWidget(lblVersion);
    texts->addSpacing(8);
    texts->addWidget(lblDescription);
    texts->addWidget(Label6);
    texts->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSysInfo);
    buttons->addWidget(cmdOK);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(16, 16, 16, 12);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(12);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->addWidget(picture, 0, 0);
    grid->addLayout(texts, 0, 1);
    grid->addWidget(line, 1, 0, 1, 2);
    grid->addLayout(buttons, 2, 0, 1, 2);
    grid->setColumnMinimumWidth(1, 320);

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
