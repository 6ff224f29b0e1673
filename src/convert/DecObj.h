// Quillon: the batch converter.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

namespace fs {
class OutputNames;
}

// Converts one document of a batch straight into the target folder (base name plus ".xml" or
// ".html"), playing the user's macro after opening it; shows "Converting..." then "Converted"
// and finally issues a Command2 so the batch goes on. A failing document's row says "Failed",
// with the reason as its tooltip, and the error passes on to the batch state, which goes on
// with the next document.
//
// With the batch's output names set, a document whose target another document of the batch
// has claimed already is written under its own file name instead ("a.WPD" -> "a.WPD.xml"),
// so no output of the batch is replaced.
class DecObj final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DecObj)

public:
    DecObj() = default;
    ~DecObj() override = default;

    void init(QString& path);
    void setOutputNames(std::shared_ptr<fs::OutputNames> names)
    {
        m_outputNames = std::move(names);
    }
    Q_INVOKABLE void Execute();

    const QString& fileName() const { return m_fileName; }

private:
    void convert();
    void next();

    QString m_fileName;
    std::shared_ptr<fs::OutputNames> m_outputNames;
};
