// Quillon engine: gives each distinct set of CSS declarations one class name.
#include "StyleRegistry.h"

namespace engine {

QString StyleRegistry::classFor(const QString& prefix, const QString& declarations)
{
    if (declarations.isEmpty())
        return {};
    const QString key = prefix + QLatin1Char('\n') + declarations;
    const auto found = m_classes.constFind(key);
    if (found != m_classes.constEnd())
        return found.value();
    const QString name = prefix + QString::number(++m_counters[prefix]);
    m_classes.insert(key, name);
    m_rules.append(QStringLiteral(".%1{%2}").arg(name, declarations));
    return name;
}

QString StyleRegistry::styleSheet() const
{
    return m_rules.join(QLatin1Char('\n'));
}

} // namespace engine
