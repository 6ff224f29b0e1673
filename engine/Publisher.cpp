// Quillon engine: writes a published document to its target file.
#include "Publisher.h"

#include "EngineError.h"
#include "HtmlWriter.h"
#include "Pictures.h"
#include "XmlWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace engine {
namespace {

const QString kStyleSheetName = QStringLiteral("style.css");

EngineError writeFailed(const QString& target, const QString& why)
{
    return {EngineError::Kind::WriteFailed,
            QStringLiteral("Cannot write \"%1\": %2.").arg(target, why)};
}

void checkTarget(const QString& target)
{
    if (target.trimmed().isEmpty())
        throw writeFailed(target, QStringLiteral("no target file was given"));
    const QFileInfo info(target);
    if (info.isDir())
        throw writeFailed(target, QStringLiteral("it is a folder"));
    if (!info.absoluteDir().exists())
        throw writeFailed(target, QStringLiteral("its folder does not exist"));
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool writeAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

} // namespace

PublishReport Publisher::publish(const Document& document, PublishFormat format,
                                 const QString& target, const QString& fallbackTitle,
                                 const PublishOptions& options)
{
    // Nothing, not even the picture folder, is made for a target that cannot be written.
    checkTarget(target);
    const bool xml = format == PublishFormat::Xml;
    PictureExporter pictures(target, xml ? PictureFormat::Jpeg : options.html.pictures,
                             xml ? options.jpegQuality : options.html.jpegQuality);
    QByteArray bytes;
    try {
        if (xml) {
            bytes = XmlWriter::write(document, fallbackTitle, &pictures);
        } else {
            HtmlOptions html;
            html.pictures = &pictures;
            html.titleFromFileName = options.html.titleFromFileName;
            if (options.html.externalStyleSheet)
                html.styleSheetHref = pictures.companionUrl(kStyleSheetName);
            QByteArray css;
            bytes = HtmlWriter::write(document, fallbackTitle, html, &css);
            // A style sheet that cannot be written goes into the page after all.
            if (!html.styleSheetHref.isEmpty() && !pictures.writeCompanion(kStyleSheetName, css)) {
                html.styleSheetHref.clear();
                bytes = HtmlWriter::write(document, fallbackTitle, html);
            }
        }
    } catch (const std::bad_alloc&) {
        throw writeFailed(target, QStringLiteral("the document is too large to publish"));
    }
    writeAtomically(target, bytes);
    return {pictures.written(), pictures.failed(), pictures.problems()};
}

void Publisher::writeAtomically(const QString& target, const QByteArray& bytes)
{
    const QFileInfo info(target);
    if (info.isDir())
        throw writeFailed(target, QStringLiteral("it is a folder"));
    if (!info.absoluteDir().exists())
        throw writeFailed(target, QStringLiteral("its folder does not exist"));
    // A symbolic link stays a link: the file it points to is replaced.
    const QString destination =
        info.isSymLink() && info.exists() ? info.canonicalFilePath() : target;
    const QByteArray finalName = QFile::encodeName(destination);
    // An existing file keeps its permissions; a new one gets the usual ones (umask applied).
    struct stat existing {};
    const bool replacing = ::stat(finalName.constData(), &existing) == 0;

    // The temporary file is made beside the target, so the rename below stays on one file
    // system and is atomic: the target is either the old file or the new one, never half of it.
    // The data is not forced to disk (no fsync): that costs far more than the conversion, and
    // after a system crash the source is still there to publish again.
    QByteArray tempName;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tempName = finalName + ".quillon-" +
                   QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
        fd = ::open(tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        throw writeFailed(target, systemError(errno));
    const bool written =
        writeAll(fd, bytes) &&
        (!replacing || ::fchmod(fd, existing.st_mode & 07777) == 0 || errno == EPERM);
    const int writeError = errno;
    if (::close(fd) != 0 && written) {
        const int closeError = errno;
        ::unlink(tempName.constData());
        throw writeFailed(target, systemError(closeError));
    }
    if (!written) {
        ::unlink(tempName.constData());
        throw writeFailed(target, systemError(writeError));
    }
    if (::rename(tempName.constData(), finalName.constData()) != 0) {
        const int renameError = errno;
        ::unlink(tempName.constData());
        throw writeFailed(target, systemError(renameError));
    }
}

} // namespace engine
