// Quillon: late-bound automation objects.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

namespace platform {

// An automation object offers one call: an operation by name with string arguments. The
// result is a null QVariant, a bool or a QString. A failing operation raises platform::Error
// with the server's number and description (error 438 for an operation it does not know).
class AutomationObject {
public:
    virtual ~AutomationObject() = default;
    QVariant Call(const QString& operation, const QStringList& arguments = {});

protected:
    virtual QVariant invoke(const QString& operation, const QStringList& arguments) = 0;
};

// True when the value is the Boolean True; False, null and any text are not.
bool isTrue(const QVariant& value);

// The registry of automation servers by ProgID.
using AutomationFactory = std::function<std::shared_ptr<AutomationObject>()>;

// Registers a factory for a ProgID, replacing any earlier one.
void RegisterServer(const QString& progId, AutomationFactory factory);
void UnregisterServer(const QString& progId);
// Creates the object for the ProgID. Raises error 429 ("ActiveX component can't create
// object") when no server is registered or the factory fails.
std::shared_ptr<AutomationObject> CreateObject(const QString& progId);

} // namespace platform
