// Quillon: file-name rules and small file operations.
#include "clsFileSystem.h"

#include "FsMessages.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringList>
#include <QTemporaryFile>

#include <cmath>
#include <filesystem>
#include <system_error>

namespace {

// Both separators count in the name rules; "\" is what the rules were written for.
bool isSeparator(QChar c)
{
    return c == u'/' || c == u'\\';
}

QString localDateTime(const QDateTime& when)
{
    return QLocale().toString(when, QLocale::ShortFormat);
}

// Error boxes of the plain file operations: OK only, no icon, application title.
void fileError(const char* text)
{
    fs::fsMessageSink().error(QString::fromLatin1(text), QString(), false);
}

std::filesystem::path nativePath(const QString& path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

// Copies Source over Destination by writing into an existing destination rather than deleting
// it first, so a missing source, a read-only destination or a copy of a file onto itself fails
// before anything is lost.
bool copyReplacing(const QString& Source, const QString& Destination)
{
    if (Source.isEmpty() || Destination.isEmpty())
        return false;
    std::error_code ec;
    std::filesystem::copy_file(nativePath(Source), nativePath(Destination),
                               std::filesystem::copy_options::overwrite_existing, ec);
    return !ec;
}

void setWritable(const QString& FileName, bool writable)
{
    if (FileName.isEmpty())
        return;
    QFile::Permissions perms = QFile::permissions(FileName);
    if (writable)
        perms |= QFile::WriteOwner | QFile::WriteUser;
    else
        perms &= ~(QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther);
    QFile::setPermissions(FileName, perms); // best effort: failures are ignored
}

// Error number raised when the temporary file cannot be created: "Path/File access error".
constexpr int kPathFileAccessError = 75;

} // namespace

QString clsFileSystem::fnGetTempPath(QString& sOptPrefix, QString& sOptDir)
{
    sOptPrefix = sOptPrefix.trimmed() + QChar(0);
    sOptDir = sOptDir.trimmed();

    QString folder;
    if (sOptDir.size() >= 2) {
        if (!isSeparator(sOptDir.back()))
            sOptDir += u'/';
        folder = sOptDir;
    } else {
        folder = QDir::tempPath() + u'/';
    }

    // The prefix is read up to its NUL. A folder ending in "\" names the same folder as one
    // ending in "/", so the file is always created inside it.
    const QString prefix = sOptPrefix.left(sOptPrefix.indexOf(QChar(0)));
    QTemporaryFile file(folder.left(folder.size() - 1) + u'/' + prefix +
                        QStringLiteral("XXXXXX.tmp"));
    file.setAutoRemove(false);
    if (file.open())
        return file.fileName();

    const QString appFolder =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    const QStringList lines{
        QStringLiteral("Unexpected Error Returned"),
        QStringLiteral("At   modGetTempFile  fnGetTempPath"),
        QStringLiteral("Nmbr ") + QString::number(kPathFileAccessError),
        QStringLiteral("Desc ") + file.errorString(),
        QStringLiteral("Srce ") + QCoreApplication::applicationName(),
        QStringLiteral("Time ") + localDateTime(QDateTime::currentDateTime()),
        QStringLiteral("Path ") + appFolder,
    };
    fs::fsMessageSink().error(lines.join(QStringLiteral("\r\n")),
                              QStringLiteral("You have a Problem!"), true);
    return QString();
}

bool clsFileSystem::FileExist(const QString& strFile)
{
    return !strFile.isEmpty() && QFileInfo::exists(strFile);
}

void clsFileSystem::Save(const QString& FileName)
{
    if (FileReal(FileName) && fs::fsMessageSink().confirm(QStringLiteral("Overwrite File?")))
        DeleteFile(FileName);
}

bool clsFileSystem::FileReal(const QString& FileName)
{
    // A listing of normal, read-only and archive files: no folders, no hidden (dot) files,
    // and only bare names can match what the listing yields.
    if (FileName.isEmpty() || FileName.startsWith(u'.') || FileName.contains(u'/') ||
        FileName.contains(u'\\'))
        return false;
    const QFileInfo info(QDir::current(), FileName);
    return info.isFile() && info.fileName() == FileName;
}

QString clsFileSystem::GetFileSize(const QString& FileName)
{
    const QFileInfo info(FileName);
    if (FileName.isEmpty() || !info.isFile())
        return QStringLiteral("0B");
    const qint64 bytes = info.size();
    if (bytes < 1024)
        return QString::number(bytes) + u'B';

    const double kilobytes = std::round(static_cast<double>(bytes) / 1024.0 * 10000.0) / 10000.0;
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(kilobytes, 'f', QLocale::FloatingPointShortest) + QStringLiteral("KB");
}

QString clsFileSystem::GetAttrib(const QString& FileName)
{
    const QFileInfo info(FileName);
    if (FileName.isEmpty() || !info.exists())
        return QStringLiteral("Unknown");

    // The attribute word as this platform can express it: read-only is the missing write
    // permission of the owner, hidden a name starting with a dot, and every regular file
    // counts as still to be archived.
    int attributes = 0;
    if (!(info.permissions() & QFile::WriteOwner))
        attributes |= 1;
    if (QFileInfo(QDir::cleanPath(info.absoluteFilePath())).fileName().startsWith(u'.'))
        attributes |= 2;
    if (info.isDir())
        attributes |= 16;
    else if (info.isFile())
        attributes |= 32;

    switch (attributes) {
    case 0:
        return QStringLiteral("Normal");
    case 1:
        return QStringLiteral("ReadOnly");
    case 2:
        return QStringLiteral("Hidden");
    case 4:
        return QStringLiteral("System");
    case 8:
        return QStringLiteral("Volume");
    case 16:
        return QStringLiteral("Directory");
    case 32:
        return QStringLiteral("Archive");
    case 64:
        return QStringLiteral("Alias");
    default:
        return QString::number(attributes);
    }
}

void clsFileSystem::SetHidden(const QString& FileName)
{
    setWritable(FileName, true);
}

void clsFileSystem::SetReadOnly(const QString& FileName)
{
    setWritable(FileName, false);
}

void clsFileSystem::SetSystem(const QString& FileName)
{
    setWritable(FileName, true);
}

void clsFileSystem::SetNormal(const QString& FileName)
{
    setWritable(FileName, true);
}

QString clsFileSystem::GetFileExtension(const QString& FileName)
{
    if (FileName == QStringLiteral("."))
        return FileName;
    // A dot one to four characters before the end separates the extension.
    const qsizetype length = FileName.size();
    for (qsizetype count = 1; count <= 4; ++count) {
        if (length > count && FileName.at(length - count - 1) == u'.')
            return FileName.right(count);
    }
    return QStringLiteral("Unknown");
}

QString clsFileSystem::GetFileDate(const QString& FileName)
{
    const QFileInfo info(FileName);
    if (FileName.isEmpty() || !info.exists())
        return QString();
    return localDateTime(info.lastModified());
}

void clsFileSystem::DeleteFile(const QString& FileName)
{
    if (FileName.isEmpty() || !QFile::remove(FileName))
        fileError("Error deleting File");
}

void clsFileSystem::CopyFile(const QString& Source, const QString& Destination)
{
    if (!copyReplacing(Source, Destination))
        fileError("Error copying File");
}

void clsFileSystem::MoveFile(const QString& Source, const QString& Destination)
{
    if (!copyReplacing(Source, Destination) || !QFile::remove(Source))
        fileError("Error moving File");
}

void clsFileSystem::MakeDIR(const QString& Path)
{
    if (Path.isEmpty() || !QDir().mkdir(Path))
        fileError("Error creating Directory");
}

void clsFileSystem::RemoveDIR(const QString& Path)
{
    if (Path.isEmpty() || !QDir().rmdir(Path))
        fileError("Error removing Directory");
}

QString clsFileSystem::GetFileBaseName(QString& FileName, bool IncludePath)
{
    // Positions below are 1-based as in the rule; 0 means "no dot found".
    qsizetype dotPosition = 0;
    qsizetype start = 1;
    for (qsizetype i = FileName.size(); i >= 1; --i) {
        const QChar c = FileName.at(i - 1);
        if (c == u'.') {
            if (IncludePath)
                return FileName.left(i - 1);
            if (dotPosition == 0)
                dotPosition = i - 1; // a leading dot records 0: a dot name has no extension
        } else if (c == u':' || isSeparator(c)) {
            if (!IncludePath)
                start = i + 1;
            break;
        }
    }
    if (dotPosition > 0)
        return FileName.mid(start - 1, dotPosition - start + 1);
    return FileName.mid(start - 1);
}

QString clsFileSystem::GetFileName(const QString& strPath)
{
    // A "\" in the first position does not count; a "/" there is this system's root folder,
    // which precedes a name just as "C:\" does.
    for (qsizetype i = strPath.size(); i >= 2; --i) {
        if (isSeparator(strPath.at(i - 1)))
            return strPath.mid(i);
    }
    if (strPath.startsWith(u'/'))
        return strPath.mid(1);
    fs::raiseInvalidArgument();
}

QString clsFileSystem::GetPath(const QString& PathFile)
{
    for (qsizetype i = PathFile.size(); i >= 1; --i) {
        if (isSeparator(PathFile.at(i - 1)))
            return PathFile.left(i);
    }
    return QStringLiteral("\\");
}
