#include "DemoPlan.h"

#include "model/domain/Failure.h"
#include "model/domain/Json.h"

#include <QFile>

namespace vozel::demo {

using namespace Qt::StringLiterals;

DemoPlan DemoPlan::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw DecodingError(u"cannot read "_s + path);
    const QJsonObject root = json::parseObject(file.readAll());

    DemoPlan plan;
    for (const QJsonValue &value : json::requireArray(root, "extensions"_L1)) {
        const QJsonObject entry = json::asObject(value, "extension"_L1);
        plan.extensions.append({json::requireString(entry, "number"_L1), json::requireString(entry, "password"_L1),
                                json::requireString(entry, "name"_L1)});
    }
    const QJsonObject provisioning = json::requireObject(root, "provisioning"_L1);
    plan.provisionedExtension = json::requireString(provisioning, "extension"_L1);
    plan.token = json::requireString(provisioning, "token"_L1);
    plan.legacyToken = json::requireString(provisioning, "legacyToken"_L1);
    for (const QJsonValue &value : json::requireArray(root, "origins"_L1)) {
        const QJsonObject entry = json::asObject(value, "origin"_L1);
        plan.origins.append({json::requireString(entry, "caller"_L1), json::requireString(entry, "label"_L1)});
    }
    if (!plan.extension(plan.provisionedExtension))
        throw DecodingError(u"the provisioned extension is not in the plan"_s);
    return plan;
}

const DemoExtension *DemoPlan::extension(const QString &number) const
{
    for (const DemoExtension &entry : extensions) {
        if (entry.number == number)
            return &entry;
    }
    return nullptr;
}

const DemoOrigin *DemoPlan::origin(const QString &caller) const
{
    for (const DemoOrigin &entry : origins) {
        if (entry.caller == caller)
            return &entry;
    }
    return nullptr;
}

} // namespace vozel::demo
