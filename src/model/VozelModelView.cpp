// The model's state and operations in the forms QML reads and awaits.
#include "model/VozelModel.h"

#include "model/domain/Json.h"

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

QVariantList devicesThat(const QList<VozelAudioDevice> &devices, bool VozelAudioDevice::*can)
{
    QVariantList list;
    for (const auto &device : devices) {
        if (device.*can)
            list.append(QVariant::fromValue(device));
    }
    return list;
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

QVariantList VozelModel::recordingDevicesForView() const
{
    return devicesThat(m_audioDevices, &VozelAudioDevice::canRecord);
}

QVariantList VozelModel::playingDevicesForView() const
{
    return devicesThat(m_audioDevices, &VozelAudioDevice::canPlay);
}

QCoro::QmlTask VozelModel::selectAccountFromView(const QString &id)
{
    return selectAccount(json::parseUuid(id).value_or(QUuid()));
}

QCoro::QmlTask VozelModel::setRegistrationEnabledFromView(bool enabled)
{
    return setRegistrationEnabled(enabled);
}

} // namespace vozel
