// Quillon: the batch converter.
#pragma once

#include <QObject>
#include <QString>

// Converts one document of a batch straight into the target folder (base name plus ".xml" or
// ".html"), playing the user's macro after opening it; shows "Converting..." then "Converted"
// and finally issues a Command2 so the batch goes on. Catches no errors: a failing document
// keeps "Converting..." and the error passes to the batch state.
class DecObj final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DecObj)

public:
    DecObj() = default;
    ~DecObj() override = default;

    void init(QString& path);
    Q_INVOKABLE void Execute();

    const QString& fileName() const { return m_fileName; }

    // How many Execute calls are running one inside another right now, and the most seen since
    // the last reset: a batch converts its documents one after another, so this stays at 1.
    static int nestingDepth() { return s_depth; }
    static int maxNestingDepth() { return s_maxDepth; }
    static void resetMaxNestingDepth() { s_maxDepth = s_depth; }

private:
    void convert();

    QString m_fileName;
    static inline int s_depth = 0;
    static inline int s_maxDepth = 0;
};
