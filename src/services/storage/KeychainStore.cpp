#include "services/storage/KeychainStore.h"

#include "model/domain/Json.h"
#include "model/domain/VozelError.h"

namespace vozel {

SIPAccountCollection KeychainStore::loadCollection()
{
    const auto stored = m_items.read(service, collectionItem);
    if (stored.status == SecretItemStore::success && stored.data)
        return SIPAccountCollection::fromJsonData(*stored.data);
    if (stored.status != SecretItemStore::itemNotFound)
        throw VozelError::keychain(stored.status);

    SIPAccountCollection collection;
    const auto legacy = load();
    if (!legacy)
        return collection;
    collection.save(*legacy);
    // The older item goes only once its account is safely in the collection item.
    saveCollection(collection);
    remove();
    return collection;
}

void KeychainStore::saveCollection(const SIPAccountCollection &collection)
{
    const QByteArray data = collection.toJsonData();
    // Update first: the item is never deleted and re-created, so a failure leaves the old data whole.
    const auto updated = m_items.update(service, collectionItem, data);
    if (updated == SecretItemStore::success)
        return;
    if (updated != SecretItemStore::itemNotFound)
        throw VozelError::keychain(updated);
    const auto added = m_items.add(service, collectionItem, data);
    if (added != SecretItemStore::success)
        throw VozelError::keychain(added);
}

std::optional<SIPAccount> KeychainStore::load()
{
    const auto stored = m_items.read(service, legacyItem);
    if (stored.status == SecretItemStore::itemNotFound)
        return std::nullopt;
    if (stored.status != SecretItemStore::success || !stored.data)
        throw VozelError::keychain(stored.status);
    return SIPAccount::fromJson(json::parseObject(*stored.data));
}

void KeychainStore::remove()
{
    m_items.remove(service, legacyItem);
}

} // namespace vozel
