// Quillon: the Quick Start dialog shown at start-up.
#include "Form3.h"

#include "Form1.h"
#include "QuickStartPictures.h"
#include "core/General.h"
#include "core/Mediator.h"
#include "platform/BrowserLauncher.h"
#include "platform/Guard.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* makeLabel(const QString& name, const QString& text, QWidget* parent, bool bold = false)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    return label;
}

QPushButton* makeButton(const QString& name, const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

// Removes the scratch file whichever way the look-up ends.
class ScratchFileRemover final {
public:
    explicit ScratchFileRemover(QString path) : m_path(std::move(path)) {}
    ~ScratchFileRemover() { QFile::remove(m_path); }
    ScratchFileRemover(const ScratchFileRemover&) = delete;
    ScratchFileRemover& operator=(const ScratchFileRemover&) = delete;

private:
    QString m_path;
};

// Writes the scratch file that the browser look-up goes by; only its extension matters.
// Whatever stood under the name (a stale file, or a link planted in the shared temporary
// folder) is removed first, and the file is created exclusively, so nothing is written
// through a link into another file.
bool writeScratchFile(const QString& path)
{
    const QFileInfo existing(path);
    if (existing.exists() || existing.isSymLink()) {
        QFile::remove(path);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        return false;
    }
    const QByteArray line = QByteArrayLiteral("\"<HTML> <\\HTML>\"\r\n");
    const bool written = file.write(line) == line.size();
    file.close();
    return written && file.error() == QFileDevice::NoError;
}

} // namespace

Form3::Form3()
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Quick Start"));

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::NoFrame);
    Frame1->setAutoFillBackground(true);
    QPalette white = Frame1->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    Frame1->setPalette(white);

    Label2 = makeLabel(QStringLiteral("Label2"), QStringLiteral("DuraRudizav Ezedoviro ZUR EDEV"),
                       Frame1, true);
    QFont titleFont = Label2->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.8);
    Label2->setFont(titleFont);
    Label2->setAlignment(Qt::AlignCenter);

    Label1 = makeLabel(QStringLiteral("Label1"), QStringLiteral("Select one..."), Frame1, true);
    btnSingle = makeButton(QStringLiteral("btnSingle"), QStringLiteral("Open Document"), Frame1);
    btnBatch = makeButton(QStringLiteral("btnBatch"), QStringLiteral("BatchDocuments"), Frame1);
    btnCancel = makeButton(QStringLiteral("btnCancel"), QStringLiteral("Cancel"), Frame1);
    for (QPushButton* button : {btnSingle, btnBatch, btnCancel}) {
        button->setMinimumWidth(150);
    }

    Label6 = makeLabel(QStringLiteral("Label6"), QString(), Frame1, true);
    Label7 = makeLabel(QStringLiteral("Label7"), QString(), Frame1, true);

    Label3 = makeLabel(QStringLiteral("Label3"), webPageAddress(), Frame1);
    QFont linkFont = Label3->font();
    linkFont.setUnderline(true);
    Label3->setFont(linkFont);
    QPalette link = Label3->palette();
    link.setColor(QPalette::WindowText, Qt::blue);
    Label3->setPalette(link);
    Label3->setCursor(Qt::PointingHandCursor);
    Label3->setToolTip(QStringLiteral("Open the web page in your browser"));
    Label3->installEventFilter(this);

    Label5 =
        makeLabel(QStringLiteral("Label5"),
                  QStringLiteral("Convert WordPerfect Documents to XML or HTML "), Frame1, true);
    Label5->setAlignment(Qt::AlignCenter);

    Picture2 = makeLabel(QStringLiteral("Picture2"), QString(), Frame1);
    Picture2->setPixmap(QPixmap::fromImage(renderPicture(paintDocumentPicture)));
    Picture3 = makeLabel(QStringLiteral("Picture3"), QString(), Frame1);
    Picture3->setPixmap(QPixmap::fromImage(renderPicture(paintMarkupPicture)));

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSizeConstraint(QLayout::SetFixedSize);
    outer->addWidget(Frame1);

    auto* pictures = new QHBoxLayout;
    pictures->setSpacing(6);
    pictures->addWidget(Picture2);
    pictures->addWidget(Picture3);
    pictures->addStretch();

    auto* left = new QVBoxLayout;
    left->setSpacing(6);
    left->addLayout(pictures);
    left->addSpacing(6);
    left->addWidget(Label6);
    left->addWidget(Label7);
    left->addStretch();
    left->addWidget(Label3);

    auto* right = new QVBoxLayout;
    right->setSpacing(8);
    right->addWidget(Label1);
    right->addWidget(btnSingle);
    right->addWidget(btnBatch);
    right->addSpacing(14);
    right->addWidget(btnCancel);
    right->addStretch();

    auto* grid = new QGridLayout(Frame1);
    grid->setContentsMargins(32, 22, 32, 20);
    grid->setHorizontalSpacing(40);
    grid->setVerticalSpacing(18);
    grid->addWidget(Label2, 0, 0, 1, 2);
    grid->addLayout(left, 1, 0);
    grid->addLayout(right, 1, 1);
    grid->addWidget(Label5, 2, 0, 1, 2);
    grid->setColumnStretch(0, 1);

    connect(btnSingle, &QPushButton::clicked, this, [this] { btnSingle_Click(); });
    connect(btnBatch, &QPushButton::clicked, this, [this] { btnBatch_Click(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancel_Click(); });
}

void Form3::Form_Load() {}

QString Form3::webPageAddress()
{
    return QStringLiteral("https://quillon.example.org/");
}

bool Form3::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label3 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        Label3->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        Label3_Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void Form3::btnSingle_Click()
{
    platform::Guarded([this] {
        hide();
        if (gMediator) {
            gMediator->SingleSourceFile();
        }
    });
}

void Form3::btnBatch_Click()
{
    platform::Guarded([this] {
        hide();
        Form1::instance()->exec();
    });
}

void Form3::btnCancel_Click()
{
    platform::Guarded([this] { hide(); });
}

void Form3::Label3_Click()
{
    platform::Guarded([] {
        const QString scratch = QDir::tempPath() + QStringLiteral("/temphtm.HTM");
        ScratchFileRemover remover(scratch);
        if (!writeScratchFile(scratch)) {
            platform::MsgBox(QStringLiteral("Web Page not Opened: the temporary file %1 could "
                                            "not be written.")
                                 .arg(QDir::toNativeSeparators(scratch)),
                             platform::MsgButtons::OK, platform::MsgIcon::Exclamation,
                             QStringLiteral("URL Failed"));
            return;
        }
        platform::ShellProvider& shell = platform::shell();
        const QString program = shell.findExecutable(scratch);
        if (program.isEmpty()) {
            platform::MsgBox(QStringLiteral("Could not find associated Browser"),
                             platform::MsgButtons::OK, platform::MsgIcon::Exclamation,
                             QStringLiteral("Browser Not Found"));
            return;
        }
        if (!shell.execute(program, webPageAddress())) {
            platform::MsgBox(QStringLiteral("Web Page not Opened"), platform::MsgButtons::OK,
                             platform::MsgIcon::Exclamation, QStringLiteral("URL Failed"));
        }
    });
}
