// Quillon tests: an in-process automation server that plays a script, for tests, screenshots and
// benchmarks.
#include "ScriptedAutomationServer.h"

#include "EngineContract.h"

#include <algorithm>

namespace platform {

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

quintptr ScriptedAutomationServer::stackSpread(const QString& operation) const
{
    quintptr low = ~quintptr(0);
    quintptr high = 0;
    for (const Call& call : m_calls) {
        if (call.operation == operation) {
            low = std::min(low, call.stack);
            high = std::max(high, call.stack);
        }
    }
    return high >= low ? high - low : 0;
}

void ScriptedAutomationServer::queueAnswers(const QString& operation,
                                            const QList<QVariant>& answers)
{
    std::deque<QVariant>& queue = m_queued[operation];
    queue.insert(queue.end(), answers.begin(), answers.end());
}

QVariant ScriptedAutomationServer::invoke(const QString& operation, const QStringList& arguments)
{
    const char here = 0;
    const Call call{operation, arguments, reinterpret_cast<quintptr>(&here)};
    m_calls.append(call);
    if (m_observer)
        m_observer(call);

    for (const Failure& failure : m_failures) {
        if (failure.operation == operation &&
            (!failure.argument || arguments.value(0) == *failure.argument))
            throw Error(failure.number, failure.description, QStringLiteral("Scripted server"));
    }

    auto queued = m_queued.find(operation);
    if (queued != m_queued.end() && !queued->empty()) {
        const QVariant answer = queued->front();
        queued->pop_front();
        return answer;
    }
    if (operation == wire::op::envDocBlank || operation == wire::op::envMacroPlaying)
        return QVariant(false);
    return QVariant();
}

} // namespace platform
