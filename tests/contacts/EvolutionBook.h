#pragma once

// Writes to the Evolution Data Server of the test session (a fresh one: tests/sandbox.sh gives
// every run its own data folders), through the same asynchronous calls the application uses.
#include "services/glib/GLibSupport.h"

#include <libebook/libebook.h>

#include <QCoroTask>
#include <QCoroTimer>
#include <QStringList>

#include <stdexcept>

namespace vozel::test {

inline void check(bool ok, GError *error, const char *what)
{
    if (!ok)
        throw std::runtime_error(std::string(what) + ": " + (error ? error->message : ""));
}

inline QCoro::Task<glib::ObjectPtr<ESourceRegistry>> openRegistry()
{
    auto result = co_await glib::AsyncCall([](GAsyncReadyCallback done, gpointer data) {
        e_source_registry_new(nullptr, done, data);
    });
    GError *error = nullptr;
    glib::ObjectPtr<ESourceRegistry> registry(e_source_registry_new_finish(result.get(), &error));
    check(registry != nullptr, error, "registry");
    co_return registry;
}

inline QCoro::Task<glib::ObjectPtr<EBookClient>> openBook(ESource *source)
{
    auto result = co_await glib::AsyncCall([source](GAsyncReadyCallback done, gpointer data) {
        e_book_client_connect(source, 5, nullptr, done, data);
    });
    GError *error = nullptr;
    glib::ObjectPtr<EBookClient> book(E_BOOK_CLIENT(e_book_client_connect_finish(result.get(), &error)));
    check(book != nullptr, error, "connect");
    co_return book;
}

// Adds contacts given as the property lines of vCard 3.0 texts; returns their identifiers in order.
inline QCoro::Task<QStringList> addCards(EBookClient *book, const QList<QStringList> &cards)
{
    GSList *contacts = nullptr;
    for (const QStringList &lines : cards) {
        const QString text = QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\n") + lines.join(QStringLiteral("\r\n"))
                           + QStringLiteral("\r\nEND:VCARD");
        contacts = g_slist_append(contacts, e_contact_new_from_vcard(text.toUtf8().constData()));
    }
    auto added = co_await glib::AsyncCall([book, contacts](GAsyncReadyCallback done, gpointer data) {
        e_book_client_add_contacts(book, contacts, E_BOOK_OPERATION_FLAG_NONE, nullptr, done, data);
    });
    g_slist_free_full(contacts, g_object_unref);
    GSList *uids = nullptr;
    GError *error = nullptr;
    check(e_book_client_add_contacts_finish(book, added.get(), &uids, &error), error, "add");
    QStringList result;
    for (GSList *uid = uids; uid; uid = uid->next)
        result.append(QString::fromUtf8(static_cast<const char *>(uid->data)));
    g_slist_free_full(uids, g_free);
    co_return result;
}

// Creates another address book on this computer; returns it once the registry lists it.
inline QCoro::Task<glib::ObjectPtr<ESource>> createLocalBook(ESourceRegistry *registry, const char *name)
{
    glib::ObjectPtr<ESource> source(e_source_new(nullptr, nullptr, nullptr));
    e_source_set_parent(source.get(), "local-stub");
    e_source_set_display_name(source.get(), name);
    e_source_backend_set_backend_name(
        E_SOURCE_BACKEND(e_source_get_extension(source.get(), E_SOURCE_EXTENSION_ADDRESS_BOOK)), "local");
    auto committed = co_await glib::AsyncCall([&](GAsyncReadyCallback done, gpointer data) {
        e_source_registry_commit_source(registry, source.get(), nullptr, done, data);
    });
    GError *error = nullptr;
    check(e_source_registry_commit_source_finish(registry, committed.get(), &error), error, "commit");
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (ESource *listed = e_source_registry_ref_source(registry, e_source_get_uid(source.get())))
            co_return glib::ObjectPtr<ESource>(listed);
        co_await QCoro::sleepFor(std::chrono::milliseconds(50));
    }
    throw std::runtime_error("the new address book did not appear");
}

} // namespace vozel::test
