#pragma once

#include "model/domain/SIPAccount.h"
#include "services/storage/SecretItemStore.h"

#include <optional>

namespace vozel {

// Keeps the stored accounts, passwords included, in the secure store as one JSON item, and
// migrates the older single-account item once. Failures throw VozelError::keychain(status)
// or DecodingError; an unreadable store is never reported as empty.
class KeychainStore {
public:
    static inline const QString service = QStringLiteral("br.com.vozel.softphone");
    static inline const QString collectionItem = QStringLiteral("accounts.v2");
    static inline const QString legacyItem = QStringLiteral("provisioning");

    explicit KeychainStore(SecretItemStore &items) : m_items(items) {}

    SIPAccountCollection loadCollection();
    void saveCollection(const SIPAccountCollection &collection);
    std::optional<SIPAccount> load();
    void remove();

private:
    SecretItemStore &m_items;
};

} // namespace vozel
