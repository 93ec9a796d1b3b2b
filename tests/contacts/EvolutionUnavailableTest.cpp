#include <gio/gio.h>

#include "PrivateSessionBus.h"

#include "services/contacts/ContactDirectory.h"
#include "services/contacts/EvolutionAddressBook.h"

#include <QElapsedTimer>
#include <QTest>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;

// A desktop without Evolution Data Server: the session bus knows no address-book service.
class EvolutionUnavailableTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Before anything opens the session bus, so that this process only ever sees the empty one.
        QVERIFY(!m_bus.address().isEmpty());
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.address().toUtf8());
        // GLib ends the process when its session bus goes away; this bus is stopped before the end.
        m_connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        QVERIFY(m_connection);
        g_dbus_connection_set_exit_on_close(m_connection, FALSE);
    }

    void aMissingServiceIsARefusal()
    {
        ContactDirectory directory([] { return std::make_unique<EvolutionAddressBook>(NameOrder::givenNameFirst); });
        QElapsedTimer clock;
        clock.start();
        QCoro::waitFor(directory.loadIfNeeded(false));
        QVERIFY(clock.elapsed() < 5000);
        QCOMPARE(directory.accessError(), u"O sistema não liberou o acesso à agenda."_s);
    }

    void cleanupTestCase() { g_clear_object(&m_connection); }

private:
    PrivateSessionBus m_bus;
    GDBusConnection *m_connection = nullptr;
};

QTEST_GUILESS_MAIN(EvolutionUnavailableTest)
#include "EvolutionUnavailableTest.moc"
