// The model's state and operations in the forms QML reads and awaits.
#include "model/VozelModel.h"

#include "model/domain/Json.h"

#include <QVariantMap>

namespace vozel {

using namespace Qt::StringLiterals;

namespace {

template<typename T>
QVariantList variantList(const QList<T> &values)
{
    QVariantList list;
    list.reserve(values.size());
    for (const auto &value : values)
        list.append(QVariant::fromValue(value));
    return list;
}

std::optional<QString> optionalText(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    return value.toString();
}

} // namespace

QVariant VozelModel::accountForView() const
{
    return m_account ? QVariant::fromValue(*m_account) : QVariant();
}

QVariantList VozelModel::savedAccountsForView() const
{
    return variantList(m_savedAccounts);
}

QString VozelModel::activeAccountIDText() const
{
    return m_activeAccountID ? json::uuidText(*m_activeAccountID) : QString();
}

QVariantList VozelModel::historyForView() const
{
    return variantList(m_history);
}

QVariantList VozelModel::audioDevicesForView() const
{
    return variantList(m_audioDevices);
}

QCoro::QmlTask VozelModel::selectAccountFromView(const QString &id)
{
    return selectAccount(json::parseUuid(id).value_or(QUuid()));
}

QCoro::QmlTask VozelModel::configureFromView(const QString &link, const QString &accountName)
{
    // An empty name field means "no nickname given", so an updated account keeps its own.
    return configure(link, accountName.trimmed().isEmpty() ? std::nullopt : std::optional(accountName));
}

QCoro::QmlTask VozelModel::saveManualAccountFromView(const QVariantMap &fields)
{
    ManualAccountEntry entry;
    entry.extension = fields.value(u"extension"_s).toString();
    entry.authUser = fields.value(u"authUser"_s).toString();
    entry.password = fields.value(u"password"_s).toString();
    entry.host = fields.value(u"host"_s).toString();
    entry.port = fields.value(u"port"_s).toLongLong();
    entry.transport = fields.value(u"transport"_s).toString();
    entry.displayName = fields.value(u"displayName"_s).toString();
    entry.nickname = optionalText(fields.value(u"nickname"_s));
    if (const auto replacing = optionalText(fields.value(u"replacing"_s)))
        entry.replacing = json::parseUuid(*replacing);
    return saveManualAccount(entry);
}

QCoro::QmlTask VozelModel::setRegistrationEnabledFromView(bool enabled)
{
    return setRegistrationEnabled(enabled);
}

QCoro::QmlTask VozelModel::resetFromView()
{
    return reset();
}

} // namespace vozel
