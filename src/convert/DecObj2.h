// Quillon: the single-document converter.
#pragma once

#include <QObject>
#include <QString>

// Adds the document's row ("Converting..."), opens the document in the word processor, lets
// the user confirm the target in a save dialog (proposed: target folder, base name, ".xml" or
// ".htm"), publishes it as XML (with the JPEG quality) or HTML, closes it, shows "Converted!"
// and issues a Command2. Any failure once the row exists (a failing call, a cancelled save
// dialog) shows "Failed", with the reason as the row's tooltip, and ends quietly, leaving the
// document open.
class DecObj2 final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DecObj2)

public:
    DecObj2() = default;
    ~DecObj2() override = default;

    void init(QString& path);
    Q_INVOKABLE void Execute();

    const QString& fileName() const { return m_fileName; }

private:
    void convert();

    QString m_fileName;
};
