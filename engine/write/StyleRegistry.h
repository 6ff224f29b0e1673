// Quillon engine: gives each distinct set of CSS declarations one class name.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace engine {

// Collects the style sheet of an HTML page while its body is written: the same declarations
// asked for twice get the same class, so the page carries each style once.
class StyleRegistry final {
public:
    // The class for these declarations ("font-weight:bold;color:#ff0000"), made from prefix and
    // a number; empty when there are no declarations.
    QString classFor(const QString& prefix, const QString& declarations);
    // One rule per class, in the order the classes were made.
    QString styleSheet() const;

private:
    QHash<QString, QString> m_classes; // prefix + '\n' + declarations -> class name
    QHash<QString, int> m_counters;
    QStringList m_rules;
};

} // namespace engine
