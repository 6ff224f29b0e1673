// Quillon tests: an in-process automation server that plays a script, for tests, screenshots and
// benchmarks.
#pragma once

#include "AutomationObject.h"
#include "Error.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <deque>
#include <functional>
#include <optional>

namespace platform {

// Records every call and answers from a script. Answers queued for an operation are used one per
// call, oldest first; without one, "envDocBlank" and "envMacroPlaying" answer False and
// everything else null.
class ScriptedAutomationServer final : public AutomationObject {
public:
    struct Call {
        QString operation;
        QStringList arguments;
        // Where the stack stood when the call arrived: calls made at the same depth of the
        // caller's stack share one address, and each level of nesting lowers it.
        quintptr stack = 0;
        bool operator==(const Call& other) const
        {
            return operation == other.operation && arguments == other.arguments;
        }
    };

    const QList<Call>& calls() const { return m_calls; }
    // The recorded calls as "Op" or "Op(arg1, arg2)" lines, handy in test comparisons.
    QStringList callLog() const;
    void clearCalls() { m_calls.clear(); }
    // How far apart, in bytes, the stack stood over the recorded calls of the operation.
    quintptr stackSpread(const QString& operation) const;

    void queueAnswers(const QString& operation, const QList<QVariant>& answers);
    // Makes every call of the operation raise the error (only those whose first argument is
    // this, when one is given: e.g. one document of a batch). A failing call is still recorded.
    void failOn(const QString& operation, int number, const QString& description,
                const std::optional<QString>& firstArgument = std::nullopt)
    {
        m_failures.append({operation, firstArgument, number, description});
    }
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
        std::optional<QString> argument; // none: any
        int number = 0;
        QString description;
    };

    QList<Call> m_calls;
    QHash<QString, std::deque<QVariant>> m_queued;
    QList<Failure> m_failures;
    std::function<void(const Call&)> m_observer;
};

} // namespace platform
