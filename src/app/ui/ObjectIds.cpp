#include "app/ui/ObjectIds.h"

#include <QVariant>

#include <unordered_map>

namespace app {

namespace {

constexpr const char* kIdProperty = "brineObjectId";

std::unordered_map<std::uint64_t, QObject*>& Table()
{
    static std::unordered_map<std::uint64_t, QObject*> table;
    return table;
}

}   // namespace

std::uint64_t CObjectIds::Of(QObject* object)
{
    if (!object)
        return 0;
    const QVariant known = object->property(kIdProperty);
    if (known.isValid())
        return known.toULongLong();
    static std::uint64_t last = 0;
    const std::uint64_t id = ++last;
    object->setProperty(kIdProperty, QVariant::fromValue<qulonglong>(id));
    Table().emplace(id, object);
    QObject::connect(object, &QObject::destroyed, [id] { Table().erase(id); });
    return id;
}

QObject* CObjectIds::Find(std::uint64_t id)
{
    const auto it = Table().find(id);
    return it == Table().end() ? nullptr : it->second;
}

}   // namespace app
