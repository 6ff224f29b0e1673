// Quillon: an in-process automation server that plays a script, for tests and benchmarks.
#pragma once

#include "AutomationObject.h"
#include "Error.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <deque>

namespace platform {

// Records every call and answers from a script. Unknown operations succeed with null unless
// strict() is set, in which case they raise 438. Answers queued for an operation are used one
// per call, oldest first; when the queue is empty the operation's default answer is used
// ("envDocBlank" and "envMacroPlaying" answer False, everything else null).
class ScriptedAutomationServer final : public AutomationObject {
public:
    struct Call {
        QString operation;
        QStringList arguments;
        bool operator==(const Call& other) const
        {
            return operation == other.operation && arguments == other.arguments;
        }
    };

    ScriptedAutomationServer();

    const QList<Call>& calls() const { return m_calls; }
    // The recorded calls as "Op" or "Op(arg1, arg2)" lines, handy in test comparisons.
    QStringList callLog() const;
    void clearCalls() { m_calls.clear(); }

    // Queues answers for an operation.
    void queueAnswers(const QString& operation, const QList<QVariant>& answers);
    void setDefaultAnswer(const QString& operation, const QVariant& answer);
    // Makes the next calls of the operation fail: count calls (negative: every call), each
    // raising the error. A failing call is still recorded.
    void failOn(const QString& operation, int number = err::AutomationError,
                const QString& description = QStringLiteral("Automation error"), int count = -1);
    // Only fail when the first argument equals this text (e.g. one document of a batch).
    void failOnArgument(const QString& operation, const QString& firstArgument,
                        int number = err::AutomationError,
                        const QString& description = QStringLiteral("Automation error"));
    void setStrict(bool strict) { m_strict = strict; }
    // Called after recording each call, before answering (e.g. to look at the windows).
    void setObserver(std::function<void(const Call&)> observer)
    {
        m_observer = std::move(observer);
    }

protected:
    QVariant invoke(const QString& operation, const QStringList& arguments) override;

private:
    struct Failure {
        QString operation;
        QString argument; // empty: any
        bool anyArgument = true;
        int number = 0;
        QString description;
        int remaining = -1;
    };

    QList<Call> m_calls;
    QHash<QString, std::deque<QVariant>> m_queued;
    QHash<QString, QVariant> m_defaults;
    QList<Failure> m_failures;
    bool m_strict = false;
    std::function<void(const Call&)> m_observer;
};

} // namespace platform
