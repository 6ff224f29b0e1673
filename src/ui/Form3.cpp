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
#include <QMouseEvent>
#include <QPixmap>

namespace {

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
    setupUi(this);
    // The title stands out from the desktop's font, whatever its size.
    QFont titleFont = Label2->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.8);
    Label2->setFont(titleFont);
    Label3->setText(webPageAddress());
    Label3->installEventFilter(this);
    Picture2->setPixmap(QPixmap::fromImage(renderPicture(paintDocumentPicture)));
    Picture3->setPixmap(QPixmap::fromImage(renderPicture(paintMarkupPicture)));

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
