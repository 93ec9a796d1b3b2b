#include "services/storage/LibsecretItemStore.h"

#include "services/storage/BoundedKeyringCall.h"
#include "services/storage/KeyringSession.h"

#include <QCoroFuture>
#include <QPromise>

#include <thread>

namespace vozel {

using namespace Qt::StringLiterals;

namespace {

using ReadResult = SecretItemStore::ReadResult;

class SecretData {
public:
    explicit SecretData(const QByteArray &data)
        : m_value(secret_value_new(data.constData(), data.size(), "application/octet-stream"))
    {
    }
    SecretData(const SecretData &) = delete;
    SecretData &operator=(const SecretData &) = delete;
    ~SecretData() { secret_value_unref(m_value); }
    SecretValue *value() const { return m_value; }

private:
    SecretValue *m_value;
};

ReadResult readItem(KeyringSession &keyring)
{
    KeyringSession::Items items;
    if (const auto status = keyring.findUnlocked(items); status != SecretItemStore::success)
        return {status, std::nullopt};

    SecretItem *item = items.front().get();
    glib::Error error;
    if (!secret_item_load_secret_sync(item, keyring.cancellable(), error.out()))
        return {statusFor(error.get()), std::nullopt};
    SecretValue *value = secret_item_get_secret(item);
    if (!value)
        return {LibsecretItemStore::interactionNotAllowed, std::nullopt};
    gsize length = 0;
    const gchar *bytes = secret_value_get(value, &length);
    QByteArray data(bytes, static_cast<qsizetype>(length));
    secret_value_unref(value);
    return {SecretItemStore::success, std::move(data)};
}

std::int32_t updateItems(KeyringSession &keyring, const QByteArray &data)
{
    KeyringSession::Items items;
    if (const auto status = keyring.findUnlocked(items); status != SecretItemStore::success)
        return status;

    // Duplicates made by other tools all get the data, so whichever one is read later agrees.
    const SecretData secret(data);
    for (const auto &item : items) {
        glib::Error error;
        if (!secret_item_set_secret_sync(item.get(), secret.value(), keyring.cancellable(), error.out()))
            return statusFor(error.get());
    }
    return SecretItemStore::success;
}

std::int32_t addItem(KeyringSession &keyring, const QString &account, const QByteArray &data)
{
    KeyringSession::Items items;
    if (const auto status = keyring.find(items); status != SecretItemStore::success)
        return status;
    if (!items.empty())
        return KeyringSession::anyLocked(items) ? LibsecretItemStore::interactionNotAllowed
                                                : LibsecretItemStore::duplicateItem;

    glib::ObjectPtr<SecretCollection> collection;
    if (const auto status = keyring.defaultCollection(collection); status != SecretItemStore::success)
        return status;
    if (!collection)
        return LibsecretItemStore::noDefaultCollection;
    // Creating an item in a locked collection would raise an unlock prompt nobody waits for.
    if (secret_collection_get_locked(collection.get()))
        return LibsecretItemStore::interactionNotAllowed;

    const SecretData secret(data);
    const QByteArray label = u"Vozel (%1)"_s.arg(account).toUtf8();
    glib::Error error;
    glib::ObjectPtr<SecretItem> created(secret_item_create_sync(collection.get(), &KeyringSession::schema,
                                                     keyring.attributes(), label.constData(), secret.value(),
                                                     SECRET_ITEM_CREATE_NONE, keyring.cancellable(), error.out()));
    return created ? SecretItemStore::success : statusFor(error.get());
}

std::int32_t removeItems(KeyringSession &keyring)
{
    KeyringSession::Items items;
    if (const auto status = keyring.findUnlocked(items); status != SecretItemStore::success)
        return status;

    for (const auto &item : items) {
        glib::Error error;
        if (!secret_item_delete_sync(item.get(), keyring.cancellable(), error.out()))
            return statusFor(error.get());
    }
    return SecretItemStore::success;
}

// Connects, then runs the operation, all within the bound.
template <typename Operation>
ReadResult withinBound(std::chrono::milliseconds bound, const QString &service, const QString &account,
                       Operation operation)
{
    return runWithin(bound, [service, account, operation = std::move(operation)](GCancellable *cancellable) {
        KeyringSession keyring(cancellable, service, account);
        if (const auto status = keyring.connect(); status != SecretItemStore::success)
            return ReadResult{status, std::nullopt};
        return operation(keyring);
    });
}

// Runs on a thread of its own until the item can be read or `stop` is cancelled. Each call that
// finds the keyring hung ends with the D-Bus timeout, and is then made again.
std::int32_t readableWhenAnswering(GCancellable *stop, const QString &service, const QString &account)
{
    for (;;) {
        if (g_cancellable_is_cancelled(stop))
            return SecretItemStore::timedOut;
        KeyringSession keyring(stop, service, account);
        auto status = keyring.connect();
        if (status == SecretItemStore::success)
            status = keyring.unlockThroughPrompt();
        if (status != SecretItemStore::timedOut)
            return status;
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
}

} // namespace

LibsecretItemStore::LibsecretItemStore(std::chrono::milliseconds bound) : m_bound(bound), m_stop(g_cancellable_new())
{
}

LibsecretItemStore::~LibsecretItemStore()
{
    g_cancellable_cancel(m_stop);
    g_object_unref(m_stop);
}

QCoro::Task<std::int32_t> LibsecretItemStore::waitUntilReadable(const QString &service, const QString &account)
{
    QPromise<std::int32_t> promise;
    QFuture<std::int32_t> answer = promise.future();
    promise.start();
    glib::ObjectPtr<GCancellable> stop(G_CANCELLABLE(g_object_ref(m_stop)));
    std::thread([promise = std::move(promise), stop = std::move(stop), service, account]() mutable {
        promise.addResult(readableWhenAnswering(stop.get(), service, account));
        promise.finish();
    }).detach();
    co_return co_await answer;
}

SecretItemStore::ReadResult LibsecretItemStore::read(const QString &service, const QString &account)
{
    return withinBound(m_bound, service, account, [](KeyringSession &keyring) { return readItem(keyring); });
}

std::int32_t LibsecretItemStore::update(const QString &service, const QString &account, const QByteArray &data)
{
    return withinBound(m_bound, service, account, [data](KeyringSession &keyring) {
               return ReadResult{updateItems(keyring, data), std::nullopt};
           })
        .status;
}

std::int32_t LibsecretItemStore::add(const QString &service, const QString &account, const QByteArray &data)
{
    return withinBound(m_bound, service, account, [account, data](KeyringSession &keyring) {
               return ReadResult{addItem(keyring, account, data), std::nullopt};
           })
        .status;
}

std::int32_t LibsecretItemStore::remove(const QString &service, const QString &account)
{
    return withinBound(m_bound, service, account, [](KeyringSession &keyring) {
               return ReadResult{removeItems(keyring), std::nullopt};
           })
        .status;
}

} // namespace vozel
