#pragma once

#include "services/glib/GLibSupport.h"
#include "services/storage/SecretItemStore.h"

#include <libsecret/secret.h>

#include <vector>

namespace vozel {

// The status that stands for a failure libsecret reported.
std::int32_t statusFor(const GError *error);

// One operation's view of the Secret Service for one item name, used on that operation's
// worker thread; every call is ended early by the operation's cancellable.
class KeyringSession {
public:
    using Items = std::vector<glib::ObjectPtr<SecretItem>>;

    KeyringSession(GCancellable *cancellable, const QString &service, const QString &account);
    KeyringSession(const KeyringSession &) = delete;
    KeyringSession &operator=(const KeyringSession &) = delete;
    ~KeyringSession();

    std::int32_t connect();
    // Every item with this name, locked or not, from every collection.
    std::int32_t find(Items &items);
    // Every item with this name, all unlocked; otherwise the status that stands in their place,
    // itemNotFound only when a locked default collection can't be hiding one.
    std::int32_t findUnlocked(Items &items);
    static bool anyLocked(const Items &items);
    // The collection new items go to; none when the keyring has no default collection.
    std::int32_t defaultCollection(glib::ObjectPtr<SecretCollection> &collection);
    // Unlocks the collection this item lives in (the default one while there is no item) through
    // the desktop's own prompt, which waits for the user as long as it takes.
    std::int32_t unlockThroughPrompt();

    // The schema new items are written with; items are found by their attributes alone.
    static const SecretSchema schema;
    GHashTable *attributes() const { return m_attributes; }
    GCancellable *cancellable() const { return m_cancellable; }

private:
    GCancellable *m_cancellable;
    GHashTable *m_attributes;
    glib::ObjectPtr<SecretService> m_service;
};

} // namespace vozel
