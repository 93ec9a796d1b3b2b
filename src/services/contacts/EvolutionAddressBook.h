#pragma once

#include "services/contacts/AddressBookSource.h"
#include "services/contacts/ContactOrder.h"

#include <chrono>
#include <memory>

namespace vozel {

// How long each wait on the address-book service may take before the load fails.
struct EvolutionBounds {
    std::chrono::milliseconds connect{15000};   // registry and built-in book
    std::chrono::milliseconds read{30000};      // reading the built-in book
    std::chrono::milliseconds otherBook{10000}; // opening and reading each other book
};

// The desktop address book of Evolution Data Server: the built-in book ("system-address-book")
// and every other enabled book (online accounts such as Google, Nextcloud or Exchange).
// Access is granted when the built-in book opens; a missing address-book service is a refusal.
class EvolutionAddressBook : public AddressBookSource {
public:
    explicit EvolutionAddressBook(NameOrder order = userNameOrder(), EvolutionBounds bounds = {});
    ~EvolutionAddressBook() override;

    QCoro::Task<bool> requestAccess() override;
    QCoro::Task<QList<AddressBookContact>> readContacts() override;
    QString localizedLabel(const QString &labelKey) const override;

    // The order chosen in the desktop's Contacts app; by given name when it has no such setting.
    static NameOrder userNameOrder();

private:
    struct Session;

    NameOrder m_order;
    EvolutionBounds m_bounds;
    std::unique_ptr<Session> m_session;
};

} // namespace vozel
