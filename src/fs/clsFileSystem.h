// Quillon: file-name rules and small file operations.
//
// The name rules (GetFileExtension, GetFileBaseName, GetFileName, GetPath) are plain text rules:
// nothing is normalised, positions count from 1, and both "/" and "\" count as separators.
// The file operations report their failures through the message sink of FsMessages.h and
// return normally; only GetFileName raises (see raiseInvalidArgument).
#pragma once

#include <QString>

class clsFileSystem {
public:
    // Creates an empty, uniquely named file and returns its path. sOptPrefix becomes its trimmed
    // value plus one NUL character; sOptDir becomes its trimmed value, with a final separator
    // when it is at least two characters long (then it is the folder used, otherwise the
    // temporary folder is). On failure shows "You have a Problem!" and returns "".
    QString fnGetTempPath(QString& sOptPrefix, QString& sOptDir);
    // True when the path exists, as a file or a folder.
    bool FileExist(const QString& strFile);
    // Asks "Overwrite File?" when FileReal(FileName) holds, and deletes the file on Yes.
    void Save(const QString& FileName);
    // True for the bare name of an existing, not hidden, plain file in the current folder:
    // a directory listing yields bare names, so any name with a folder part gives false.
    bool FileReal(const QString& FileName);
    // "1000B" below 1024 bytes, otherwise kilobytes with up to four decimals ("1.5KB");
    // "0B" when the file cannot be read.
    QString GetFileSize(const QString& FileName);
    // The attribute word by name ("Normal", "ReadOnly", "Archive", ...) or as a number when
    // several bits are set; "Unknown" when the file cannot be read.
    QString GetAttrib(const QString& FileName);

    // Attribute setters, best effort, errors ignored. The read-only attribute is the owner's
    // write permission. Hidden and system have no counterpart here (hidden is a leading dot in
    // the name, and renaming is not what a caller asks for), so SetHidden and SetSystem only do
    // the rest of their job: they replace all other attributes, which clears read-only.
    void SetHidden(const QString& FileName);
    void SetReadOnly(const QString& FileName);
    void SetSystem(const QString& FileName);
    void SetNormal(const QString& FileName);

    // The extension of at most four characters without the dot, or "Unknown".
    QString GetFileExtension(const QString& FileName);
    // The last-modified date and time in the locale's short format; "" on failure.
    QString GetFileDate(const QString& FileName);
    void DeleteFile(const QString& FileName);
    // Replaces an existing destination file.
    void CopyFile(const QString& Source, const QString& Destination);
    // Copies, then deletes the source; a failed copy keeps the source.
    void MoveFile(const QString& Source, const QString& Destination);
    void MakeDIR(const QString& Path);
    void RemoveDIR(const QString& Path);
    // The helper keeps no files open, so there is nothing to close.
    void CloseAllFiles() {}

    // The name without its extension; with IncludePath the folder is kept. FileName is not
    // changed.
    QString GetFileBaseName(QString& FileName, bool IncludePath);
    // The text after the last separator at position 2 or later, or after a "/" at position 1
    // (the root folder); raises the invalid-argument error when there is none.
    QString GetFileName(const QString& strPath);
    // The text up to and including the last separator, or "\" when there is none.
    QString GetPath(const QString& PathFile);
};
