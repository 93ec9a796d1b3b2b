#pragma once

#include "services/storage/SecretItemStore.h"

#include <chrono>

// GLib's own declaration, so that users of this header need no GLib headers.
typedef struct _GCancellable GCancellable;

namespace vozel {

// Secret items kept by the desktop's Secret Service (gnome-keyring, KWallet) through libsecret.
// Items carry the attributes "service" and "account" and are created in the default collection.
//
// Besides success and itemNotFound, the operations answer with these statuses (the numbers are the
// classic keychain codes of the same meaning, so a status in a message reads the same everywhere):
//   duplicateItem         -25299  add: an item with this service and account exists already
//   notAvailable          -25291  no session bus, or no Secret Service on it
//   noDefaultCollection   -25307  add: the keyring has no default collection to hold the item
//   interactionNotAllowed -25308  the collection or the item is locked. A locked keyring hides its
//                                 items' data, so it is never reported as "not found": that would
//                                 let the next save overwrite accounts that exist.
//   timedOut              -36     the Secret Service did not answer within the bound
//   serviceFailure        -2070   any other failure the Secret Service or D-Bus reported
//
// No operation but waitUntilReadable waits longer than the bound given at construction (plus a
// short grace for the cancelled request to end); the calling thread runs no event loop meanwhile.
class LibsecretItemStore : public SecretItemStore {
public:
    static constexpr std::int32_t duplicateItem = -25299;
    static constexpr std::int32_t notAvailable = -25291;
    static constexpr std::int32_t noDefaultCollection = -25307;
    static constexpr std::int32_t interactionNotAllowed = -25308;
    static constexpr std::int32_t serviceFailure = -2070;

    // Long enough for the keyring daemon to be started by D-Bus activation, short enough that a
    // hung one costs the user only a moment.
    static constexpr std::chrono::milliseconds defaultBound{3000};

    explicit LibsecretItemStore(std::chrono::milliseconds bound = defaultBound);
    LibsecretItemStore(const LibsecretItemStore &) = delete;
    LibsecretItemStore &operator=(const LibsecretItemStore &) = delete;
    // Dismisses an open prompt and ends the waits still running.
    ~LibsecretItemStore() override;

    ReadResult read(const QString &service, const QString &account) override;
    std::int32_t update(const QString &service, const QString &account, const QByteArray &data) override;
    std::int32_t add(const QString &service, const QString &account, const QByteArray &data) override;
    std::int32_t remove(const QString &service, const QString &account) override;
    QCoro::Task<std::int32_t> waitUntilReadable(const QString &service, const QString &account) override;

private:
    std::chrono::milliseconds m_bound;
    GCancellable *m_stop;
};

} // namespace vozel
