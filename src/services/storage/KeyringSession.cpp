#include "services/storage/KeyringSession.h"

#include "services/storage/LibsecretItemStore.h"

namespace vozel {

namespace {

bool isTimeout(const GError *error)
{
    return g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)
        || g_error_matches(error, G_IO_ERROR, G_IO_ERROR_TIMED_OUT)
        || g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_TIMEOUT)
        || g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_TIMED_OUT)
        || g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NO_REPLY);
}

bool isUnreachable(const GError *error)
{
    return glib::isServiceMissing(error)
        || g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NO_SERVER)
        || g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_DISCONNECTED)
        || g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CLOSED);
}

} // namespace

bool KeyringSession::anyLocked(const Items &items)
{
    for (const auto &item : items) {
        if (secret_item_get_locked(item.get()))
            return true;
    }
    return false;
}

std::int32_t statusFor(const GError *error)
{
    if (isTimeout(error))
        return LibsecretItemStore::timedOut;
    if (isUnreachable(error))
        return LibsecretItemStore::notAvailable;
    if (g_error_matches(error, SECRET_ERROR, SECRET_ERROR_IS_LOCKED))
        return LibsecretItemStore::interactionNotAllowed;
    if (g_error_matches(error, SECRET_ERROR, SECRET_ERROR_NO_SUCH_OBJECT))
        return SecretItemStore::itemNotFound;
    return LibsecretItemStore::serviceFailure;
}

const SecretSchema KeyringSession::schema = [] {
    SecretSchema schema{};
    schema.name = "br.com.vozel.softphone.SecretItem";
    schema.flags = SECRET_SCHEMA_NONE;
    schema.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
    schema.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
    return schema;
}();

KeyringSession::KeyringSession(GCancellable *cancellable, const QString &service, const QString &account)
    : m_cancellable(cancellable),
      m_attributes(secret_attributes_build(&schema, "service", service.toUtf8().constData(), "account",
                                           account.toUtf8().constData(), nullptr))
{
}

KeyringSession::~KeyringSession()
{
    g_hash_table_unref(m_attributes);
}

std::int32_t KeyringSession::connect()
{
    glib::Error error;
    m_service.reset(secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, m_cancellable, error.out()));
    if (m_service)
        return SecretItemStore::success;
    if (error.get() && isTimeout(error.get()))
        return LibsecretItemStore::timedOut;
    return LibsecretItemStore::notAvailable;
}

std::int32_t KeyringSession::find(Items &items)
{
    glib::Error error;
    // Without a schema the search matches the attributes alone: items other tools wrote (secret-tool,
    // a password manager) carry another schema name or none.
    GList *found = secret_service_search_sync(m_service.get(), nullptr, m_attributes, SECRET_SEARCH_ALL,
                                              m_cancellable, error.out());
    for (GList *entry = found; entry; entry = entry->next)
        items.emplace_back(static_cast<SecretItem *>(entry->data));
    g_list_free(found);
    return error.get() ? statusFor(error.get()) : SecretItemStore::success;
}

std::int32_t KeyringSession::findUnlocked(Items &items)
{
    if (const auto status = find(items); status != SecretItemStore::success)
        return status;
    if (!items.empty())
        return anyLocked(items) ? LibsecretItemStore::interactionNotAllowed : SecretItemStore::success;

    // A Secret Service need not list the items of a locked collection.
    glib::ObjectPtr<SecretCollection> collection;
    if (const auto status = defaultCollection(collection); status != SecretItemStore::success)
        return status;
    if (collection && secret_collection_get_locked(collection.get()))
        return LibsecretItemStore::interactionNotAllowed;
    return SecretItemStore::itemNotFound;
}

std::int32_t KeyringSession::defaultCollection(glib::ObjectPtr<SecretCollection> &collection)
{
    glib::Error error;
    collection.reset(secret_collection_for_alias_sync(m_service.get(), SECRET_COLLECTION_DEFAULT,
                                                      SECRET_COLLECTION_NONE, m_cancellable, error.out()));
    return error.get() ? statusFor(error.get()) : SecretItemStore::success;
}

std::int32_t KeyringSession::unlockThroughPrompt()
{
    Items items;
    if (const auto status = find(items); status != SecretItemStore::success)
        return status;
    glib::ObjectPtr<SecretCollection> collection;
    GList *locked = nullptr;
    for (const auto &item : items) {
        if (secret_item_get_locked(item.get()))
            locked = g_list_append(locked, item.get());
    }
    if (items.empty()) {
        if (const auto status = defaultCollection(collection); status != SecretItemStore::success)
            return status;
        if (collection && secret_collection_get_locked(collection.get()))
            locked = g_list_append(locked, collection.get());
    }
    if (!locked)
        return SecretItemStore::success;

    GList *unlocked = nullptr;
    glib::Error error;
    const gint count = secret_service_unlock_sync(m_service.get(), locked, m_cancellable, &unlocked, error.out());
    g_list_free(locked);
    g_list_free_full(unlocked, g_object_unref);
    if (error.get())
        return statusFor(error.get());
    // A dismissed prompt unlocks nothing and reports no error.
    return count > 0 ? SecretItemStore::success : LibsecretItemStore::interactionNotAllowed;
}

} // namespace vozel
