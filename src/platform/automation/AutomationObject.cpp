// Quillon: late-bound automation objects.
#include "AutomationObject.h"

#include "Error.h"

#include <QHash>

namespace platform {
namespace {

QHash<QString, AutomationFactory>& registry()
{
    static QHash<QString, AutomationFactory> servers;
    return servers;
}

Error cannotCreate()
{
    return Error(err::CannotCreateObject, QStringLiteral("ActiveX component can't create object"));
}

} // namespace

QVariant AutomationObject::Call(const QString& operation, const QStringList& arguments)
{
    return invoke(operation, arguments);
}

bool isTrue(const QVariant& value)
{
    return value.metaType().id() == QMetaType::Bool && value.toBool();
}

void RegisterServer(const QString& progId, AutomationFactory factory)
{
    registry().insert(progId, std::move(factory));
}

void UnregisterServer(const QString& progId)
{
    registry().remove(progId);
}

std::shared_ptr<AutomationObject> CreateObject(const QString& progId)
{
    // Copied: a factory may register or unregister servers itself.
    const AutomationFactory factory = registry().value(progId);
    if (!factory)
        throw cannotCreate();
    std::shared_ptr<AutomationObject> object;
    try {
        object = factory();
    } catch (const Error& e) {
        if (e.number() == err::CannotCreateObject)
            throw;
        throw Error(err::CannotCreateObject, e.description(), progId);
    } catch (const std::exception&) {
        throw cannotCreate();
    }
    if (!object)
        throw cannotCreate();
    return object;
}

} // namespace platform
