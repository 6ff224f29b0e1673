// Quillon: an in-process automation server that plays a script, for tests and benchmarks.
#include "ScriptedAutomationServer.h"

namespace platform {

ScriptedAutomationServer::ScriptedAutomationServer()
{
    m_defaults.insert(QStringLiteral("envDocBlank"), QVariant(false));
    m_defaults.insert(QStringLiteral("envMacroPlaying"), QVariant(false));
}

QStringList ScriptedAutomationServer::callLog() const
{
    QStringList log;
    log.reserve(m_calls.size());
    for (const Call& call : m_calls) {
        if (call.arguments.isEmpty())
            log.append(call.operation);
        else
            log.append(call.operation + QLatin1Char('(') +
                       call.arguments.join(QStringLiteral(", ")) + QLatin1Char(')'));
    }
    return log;
}

void ScriptedAutomationServer::queueAnswers(const QString& operation,
                                            const QList<QVariant>& answers)
{
    std::deque<QVariant>& queue = m_queued[operation];
    for (const QVariant& answer : answers)
        queue.push_back(answer);
}

void ScriptedAutomationServer::setDefaultAnswer(const QString& operation, const QVariant& answer)
{
    m_defaults.insert(operation, answer);
}

void ScriptedAutomationServer::failOn(const QString& operation, int number,
                                      const QString& description, int count)
{
    if (count == 0)
        return;
    Failure failure;
    failure.operation = operation;
    failure.number = number;
    failure.description = description;
    failure.remaining = count < 0 ? -1 : count;
    m_failures.append(failure);
}

void ScriptedAutomationServer::failOnArgument(const QString& operation,
                                              const QString& firstArgument, int number,
                                              const QString& description)
{
    Failure failure;
    failure.operation = operation;
    failure.argument = firstArgument;
    failure.anyArgument = false;
    failure.number = number;
    failure.description = description;
    failure.remaining = -1;
    m_failures.append(failure);
}

QVariant ScriptedAutomationServer::invoke(const QString& operation, const QStringList& arguments)
{
    const Call call{operation, arguments};
    m_calls.append(call);
    if (m_observer)
        m_observer(call);

    for (int i = 0; i < m_failures.size(); ++i) {
        Failure& failure = m_failures[i];
        if (failure.operation != operation)
            continue;
        if (!failure.anyArgument &&
            (arguments.isEmpty() || arguments.constFirst() != failure.argument))
            continue;
        const Error error(failure.number, failure.description, QStringLiteral("Scripted server"));
        if (failure.remaining > 0 && --failure.remaining == 0)
            m_failures.removeAt(i);
        throw error;
    }

    auto queued = m_queued.find(operation);
    if (queued != m_queued.end() && !queued->empty()) {
        const QVariant answer = queued->front();
        queued->pop_front();
        return answer;
    }
    if (m_defaults.contains(operation))
        return m_defaults.value(operation);
    if (m_strict)
        throw Error(err::NotSupported,
                    QStringLiteral("Object doesn't support this property or method"),
                    QStringLiteral("Scripted server"));
    return QVariant();
}

} // namespace platform
