#include "services/glib/GLibSupport.h"

#include <libebook/libebook.h>

#include "services/contacts/EvolutionAddressBook.h"

#include "model/domain/Failure.h"
#include "services/contacts/PhoneLabels.h"

using namespace Qt::StringLiterals;

namespace vozel {

namespace {

constexpr auto builtinBookUid = "system-address-book";
constexpr auto contactsWithNumbers = "(exists \"tel\")";

PlatformError failureFor(GError *error, const glib::Deadline &deadline)
{
    if (deadline.expired())
        return PlatformError(u"A agenda do sistema não respondeu a tempo."_s);
    return PlatformError(glib::errorMessage(error));
}

QString utf8(const char *text)
{
    return QString::fromUtf8(text).trimmed();
}

QStringList typeValues(EVCardAttribute *attribute)
{
    QStringList types;
    for (GList *value = e_vcard_attribute_get_param(attribute, EVC_TYPE); value; value = value->next)
        types.append(QString::fromUtf8(static_cast<const char *>(value->data)));
    return types;
}

// The label the user wrote for a grouped entry ("item1.X-ABLabel:Portaria" beside "item1.TEL:…");
// empty when there is none, or when it is one of the writer's own keys ("_$!<Mobile>!$_"), which
// the entry's TYPE values say as well.
QString customLabel(GList *attributes, const char *group)
{
    if (!group)
        return {};
    for (GList *item = attributes; item; item = item->next) {
        auto *attribute = static_cast<EVCardAttribute *>(item->data);
        const char *otherGroup = e_vcard_attribute_get_group(attribute);
        if (!otherGroup || g_ascii_strcasecmp(otherGroup, group) != 0
            || g_ascii_strcasecmp(e_vcard_attribute_get_name(attribute), "X-ABLabel") != 0)
            continue;
        gchar *value = e_vcard_attribute_get_value(attribute);
        const QString label = utf8(value);
        g_free(value);
        return label.startsWith(u"_$!<"_s) ? QString() : label;
    }
    return {};
}

AddressBookContact toContact(EContact *contact, const QString &bookUid)
{
    AddressBookContact result;
    result.identifier = bookUid + u':' + utf8(static_cast<const char *>(e_contact_get_const(contact, E_CONTACT_UID)));
    if (auto *name = static_cast<EContactName *>(e_contact_get(contact, E_CONTACT_NAME))) {
        result.givenName = utf8(name->given);
        result.familyName = utf8(name->family);
        e_contact_name_free(name);
    }
    // Cards written by other programs may carry only the formatted name.
    if (result.givenName.isEmpty() && result.familyName.isEmpty())
        result.givenName = utf8(static_cast<const char *>(e_contact_get_const(contact, E_CONTACT_FULL_NAME)));
    result.organizationName = utf8(static_cast<const char *>(e_contact_get_const(contact, E_CONTACT_ORG)));

    // An entry is identified by its position among the card's numbers, which stays put between reads.
    int position = 0;
    GList *attributes = e_vcard_get_attributes(E_VCARD(contact));
    for (GList *item = attributes; item; item = item->next) {
        auto *attribute = static_cast<EVCardAttribute *>(item->data);
        if (g_ascii_strcasecmp(e_vcard_attribute_get_name(attribute), EVC_TEL) != 0)
            continue;
        gchar *value = e_vcard_attribute_get_value(attribute);
        QString label = customLabel(attributes, e_vcard_attribute_get_group(attribute));
        if (label.isEmpty())
            label = phoneLabelKey(typeValues(attribute));
        result.numbers.append({QString::number(position++), label, QString::fromUtf8(value)});
        g_free(value);
    }
    return result;
}

QList<AddressBookContact> toContacts(GSList *contacts, const QString &bookUid)
{
    QList<AddressBookContact> result;
    for (GSList *item = contacts; item; item = item->next)
        result.append(toContact(E_CONTACT(item->data), bookUid));
    g_slist_free_full(contacts, g_object_unref);
    return result;
}

QCoro::Task<glib::ObjectPtr<EBookClient>> connectBook(ESource *source, const glib::Deadline &deadline,
                                                      glib::Error &error)
{
    auto result = co_await glib::AsyncCall([&](GAsyncReadyCallback done, gpointer data) {
        e_book_client_connect(source, 0, deadline.cancellable(), done, data);
    });
    glib::ObjectPtr<EBookClient> client(E_BOOK_CLIENT(e_book_client_connect_finish(result.get(), error.out())));
    co_return client;
}

QCoro::Task<QList<AddressBookContact>> readBook(EBookClient *client, const QString &bookUid,
                                                const glib::Deadline &deadline, glib::Error &error)
{
    auto result = co_await glib::AsyncCall([&](GAsyncReadyCallback done, gpointer data) {
        e_book_client_get_contacts(client, contactsWithNumbers, deadline.cancellable(), done, data);
    });
    GSList *contacts = nullptr;
    if (!e_book_client_get_contacts_finish(client, result.get(), &contacts, error.out()))
        co_return {};
    co_return toContacts(contacts, bookUid);
}

} // namespace

struct EvolutionAddressBook::Session {
    glib::ObjectPtr<ESourceRegistry> registry;
    glib::ObjectPtr<EBookClient> builtinBook;
};

EvolutionAddressBook::EvolutionAddressBook(NameOrder order, EvolutionBounds bounds)
    : m_order(order), m_bounds(bounds)
{
}

EvolutionAddressBook::~EvolutionAddressBook() = default;

QCoro::Task<bool> EvolutionAddressBook::requestAccess()
{
    m_session.reset();
    const glib::Deadline deadline(m_bounds.connect);

    auto opened = co_await glib::AsyncCall([&](GAsyncReadyCallback done, gpointer data) {
        e_source_registry_new(deadline.cancellable(), done, data);
    });
    glib::Error error;
    glib::ObjectPtr<ESourceRegistry> registry(e_source_registry_new_finish(opened.get(), error.out()));
    if (!registry) {
        if (!deadline.expired() && glib::isServiceMissing(error.get()))
            co_return false;
        throw failureFor(error.get(), deadline);
    }

    // Without the registry service the registry still opens, but lists no source at all.
    glib::ObjectPtr<ESource> builtin(e_source_registry_ref_source(registry.get(), builtinBookUid));
    if (!builtin)
        co_return false;

    glib::ObjectPtr<EBookClient> book = co_await connectBook(builtin.get(), deadline, error);
    if (!book) {
        if (!deadline.expired() && glib::isServiceMissing(error.get()))
            co_return false;
        throw failureFor(error.get(), deadline);
    }
    m_session = std::make_unique<Session>(Session{std::move(registry), std::move(book)});
    co_return true;
}

QCoro::Task<QList<AddressBookContact>> EvolutionAddressBook::readContacts()
{
    if (!m_session)
        throw PlatformError(u"A agenda do sistema não está aberta."_s);
    QList<AddressBookContact> contacts;
    {
        const glib::Deadline deadline(m_bounds.read);
        glib::Error error;
        contacts = co_await readBook(m_session->builtinBook.get(), QString::fromUtf8(builtinBookUid), deadline, error);
        if (error)
            throw failureFor(error.get(), deadline);
    }

    // Other books are best effort: one that is offline or broken must not hide the rest.
    GList *sources = e_source_registry_list_enabled(m_session->registry.get(), E_SOURCE_EXTENSION_ADDRESS_BOOK);
    for (GList *item = sources; item; item = item->next) {
        auto *source = E_SOURCE(item->data);
        const QString uid = QString::fromUtf8(e_source_get_uid(source));
        if (uid == QLatin1String(builtinBookUid))
            continue;
        const glib::Deadline deadline(m_bounds.otherBook);
        glib::Error error;
        glib::ObjectPtr<EBookClient> book = co_await connectBook(source, deadline, error);
        if (!book)
            continue;
        QList<AddressBookContact> more = co_await readBook(book.get(), uid, deadline, error);
        if (!error)
            contacts.append(std::move(more));
    }
    g_list_free_full(sources, g_object_unref);

    sortContacts(contacts, m_order);
    co_return contacts;
}

QString EvolutionAddressBook::localizedLabel(const QString &labelKey) const
{
    return localizedPhoneLabel(labelKey);
}

NameOrder EvolutionAddressBook::userNameOrder()
{
    GSettingsSchemaSource *schemas = g_settings_schema_source_get_default();
    if (!schemas)
        return NameOrder::givenNameFirst;
    GSettingsSchema *schema = g_settings_schema_source_lookup(schemas, "org.gnome.Contacts", TRUE);
    if (!schema)
        return NameOrder::givenNameFirst;
    const bool known = g_settings_schema_has_key(schema, "sort-on-surname");
    g_settings_schema_unref(schema);
    if (!known)
        return NameOrder::givenNameFirst;
    glib::ObjectPtr<GSettings> settings(g_settings_new("org.gnome.Contacts"));
    return g_settings_get_boolean(settings.get(), "sort-on-surname") ? NameOrder::familyNameFirst
                                                                     : NameOrder::givenNameFirst;
}

} // namespace vozel
