#include "services/storage/DefaultsStore.h"

#include <QVariant>

namespace vozel {

using namespace Qt::StringLiterals;

namespace {

// Fixed names rather than the application object's: the store's location must never move.
const QString organization = u"Vozel"_s;
const QString application = u"Vozel"_s;

} // namespace

DefaultsStore::DefaultsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, organization,
                                             application))
{
}

DefaultsStore::DefaultsStore(const QString &filePath)
    : m_settings(std::make_unique<QSettings>(filePath, QSettings::NativeFormat))
{
}

bool DefaultsStore::contains(const QString &key) const
{
    return m_settings->contains(key);
}

std::optional<bool> DefaultsStore::boolValue(const QString &key) const
{
    const QVariant value = m_settings->value(key);
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    // The file keeps no types: a stored boolean reads back as its text.
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        if (text.compare("true"_L1, Qt::CaseInsensitive) == 0)
            return true;
        if (text.compare("false"_L1, Qt::CaseInsensitive) == 0)
            return false;
    }
    return std::nullopt;
}

std::optional<QString> DefaultsStore::stringValue(const QString &key) const
{
    const QVariant value = m_settings->value(key);
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

std::optional<QByteArray> DefaultsStore::dataValue(const QString &key) const
{
    const QVariant value = m_settings->value(key);
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return value.toByteArray();
}

// Every write reaches the file at once, so a session that ends abruptly loses nothing.
void DefaultsStore::setBool(const QString &key, bool value)
{
    m_settings->setValue(key, value);
    m_settings->sync();
}

void DefaultsStore::setString(const QString &key, const QString &value)
{
    m_settings->setValue(key, value);
    m_settings->sync();
}

void DefaultsStore::setData(const QString &key, const QByteArray &value)
{
    m_settings->setValue(key, value);
    m_settings->sync();
}

void DefaultsStore::remove(const QString &key)
{
    m_settings->remove(key);
    m_settings->sync();
}

} // namespace vozel
