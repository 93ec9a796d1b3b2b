#include <gio/gio.h>

#include "PrivateSessionBus.h"

#include "services/contacts/ContactDirectory.h"
#include "services/contacts/EvolutionAddressBook.h"

#include <QDeadlineTimer>
#include <QTest>

using namespace vozel;
using namespace Qt::StringLiterals;

// A desktop without Evolution Data Server: the session bus knows no address-book service.
class EvolutionUnavailableTest : public QObject {
    Q_OBJECT

    test::PrivateSessionBus m_bus;

private Q_SLOTS:
    void aMissingServiceIsARefusal()
    {
        // Before anything opens the session bus, so that this process only ever sees the empty one.
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.address().toUtf8());
        GDBusConnection *connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        QVERIFY(connection);
        // GLib ends the process when its session bus goes away; this bus is stopped before the end.
        g_dbus_connection_set_exit_on_close(connection, FALSE);

        ContactDirectory directory([] { return std::make_unique<EvolutionAddressBook>(NameOrder::givenNameFirst); });
        const QDeadlineTimer bound(5000);
        QCoro::waitFor(directory.loadIfNeeded(false));
        QVERIFY(!bound.hasExpired());
        QCOMPARE(directory.accessError(), u"O sistema não liberou o acesso à agenda."_s);
        g_object_unref(connection);
    }
};

QTEST_GUILESS_MAIN(EvolutionUnavailableTest)
#include "EvolutionUnavailableTest.moc"
