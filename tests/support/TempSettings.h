// Quillon tests: a private settings folder for the life of a test.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

// Points XDG_CONFIG_HOME at a fresh temporary folder; the previous value (or its absence) is
// restored and the folder removed when it is destroyed.
class TempSettings final {
public:
    TempSettings();
    ~TempSettings();
    TempSettings(const TempSettings&) = delete;
    TempSettings& operator=(const TempSettings&) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString configHome() const { return m_dir.path(); }
    // The settings file of the application name ("quillon" by default).
    QString iniFile(const QString& appName = QStringLiteral("quillon")) const;

private:
    QTemporaryDir m_dir;
    bool m_hadPrevious;
    QByteArray m_previous;
};

} // namespace testsupport
