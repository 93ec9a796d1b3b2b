#pragma once

// Test helpers that write to Evolution Data Server in the test session, through the same
// asynchronous calls the application uses.
#include "services/contacts/GLibSupport.h"

#include <libebook/libebook.h>

#include <QCoroTask>
#include <QCoroTimer>
#include <QStringList>

#include <stdexcept>

namespace vozel::test {

inline void check(bool ok, GError *error, const char *what)
{
    if (!ok) {
        const QString message = error ? QString::fromUtf8(error->message) : QString();
        if (error)
            g_error_free(error);
        throw std::runtime_error(std::string(what) + ": " + message.toStdString());
    }
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

// Removes every contact of the book.
inline QCoro::Task<> emptyBook(EBookClient *book)
{
    auto listed = co_await glib::AsyncCall([book](GAsyncReadyCallback done, gpointer data) {
        e_book_client_get_contacts_uids(book, "", nullptr, done, data);
    });
    GSList *uids = nullptr;
    GError *error = nullptr;
    check(e_book_client_get_contacts_uids_finish(book, listed.get(), &uids, &error), error, "list");
    if (uids) {
        auto removed = co_await glib::AsyncCall([book, uids](GAsyncReadyCallback done, gpointer data) {
            e_book_client_remove_contacts(book, uids, E_BOOK_OPERATION_FLAG_NONE, nullptr, done, data);
        });
        g_slist_free_full(uids, g_free);
        check(e_book_client_remove_contacts_finish(book, removed.get(), &error), error, "remove");
    }
}

// Adds contacts given as vCard texts; returns their new identifiers in the same order.
inline QCoro::Task<QStringList> addCards(EBookClient *book, const QStringList &cards)
{
    GSList *contacts = nullptr;
    for (const QString &card : cards)
        contacts = g_slist_append(contacts, e_contact_new_from_vcard(card.toUtf8().constData()));
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

// Creates another enabled address book on this computer; returns its source once the registry lists it.
inline QCoro::Task<glib::ObjectPtr<ESource>> createLocalBook(ESourceRegistry *registry, const char *name)
{
    GError *error = nullptr;
    glib::ObjectPtr<ESource> source(e_source_new(nullptr, nullptr, &error));
    check(source != nullptr, error, "source");
    e_source_set_parent(source.get(), "local-stub");
    e_source_set_display_name(source.get(), name);
    e_source_backend_set_backend_name(
        E_SOURCE_BACKEND(e_source_get_extension(source.get(), E_SOURCE_EXTENSION_ADDRESS_BOOK)), "local");
    auto committed = co_await glib::AsyncCall([&](GAsyncReadyCallback done, gpointer data) {
        e_source_registry_commit_source(registry, source.get(), nullptr, done, data);
    });
    check(e_source_registry_commit_source_finish(registry, committed.get(), &error), error, "commit");
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (ESource *listed = e_source_registry_ref_source(registry, e_source_get_uid(source.get())))
            co_return glib::ObjectPtr<ESource>(listed);
        co_await QCoro::sleepFor(std::chrono::milliseconds(50));
    }
    throw std::runtime_error("the new address book did not appear");
}

inline QCoro::Task<> removeSource(ESource *source)
{
    auto removed = co_await glib::AsyncCall([source](GAsyncReadyCallback done, gpointer data) {
        e_source_remove(source, nullptr, done, data);
    });
    GError *error = nullptr;
    check(e_source_remove_finish(source, removed.get(), &error), error, "remove source");
}

// A vCard 3.0 text from its property lines.
inline QString card(const QStringList &lines)
{
    return QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\n") + lines.join(QStringLiteral("\r\n"))
        + QStringLiteral("\r\nEND:VCARD");
}

} // namespace vozel::test
