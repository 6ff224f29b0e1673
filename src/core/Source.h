// Quillon: the record of what the user chose.
#pragma once

#include <QString>

// The folders and the file that the next conversion works on. Only the coordinator holds it.
class Source final {
public:
    QString TgtFolder;
    QString SourceFolder;
    QString SourceFile;
    QString TgtFile;

    void SetSourceFolder(const QString& folder) { SourceFolder = folder; }
    QString GetSourceFolder() const { return SourceFolder; }
    void SetTgtFolder(const QString& folder) { TgtFolder = folder; }
    QString GetTgtFolder() const { return TgtFolder; }
    void SetSourceFile(const QString& file) { SourceFile = file; }
    QString GetSourceFile() const { return SourceFile; }
    void SetTgtFile(const QString& file) { TgtFile = file; }
    QString GetTgtFile() const { return TgtFile; }
};
