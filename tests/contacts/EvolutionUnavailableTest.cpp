#include <gio/gio.h>

#include "services/contacts/ContactDirectory.h"
#include "services/contacts/EvolutionAddressBook.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace vozel;
using namespace Qt::StringLiterals;

// A desktop without Evolution Data Server: the session bus knows no address-book service.
class EvolutionUnavailableTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        const QString config = m_folder.filePath(u"session.conf"_s);
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                   " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                   "<busconfig><type>session</type><listen>unix:dir=" + m_folder.path().toUtf8() + "</listen>"
                   "<policy context=\"default\"><allow send_destination=\"*\"/><allow receive_sender=\"*\"/>"
                   "<allow own=\"*\"/></policy>"
                   "</busconfig>\n");
        file.close();

        // Before anything opens the session bus, so that this process only ever sees the empty one.
        m_bus.start(u"dbus-daemon"_s, {u"--config-file="_s + config, u"--nofork"_s, u"--print-address=1"_s});
        QTRY_VERIFY(m_bus.canReadLine());
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.readLine().trimmed());
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

    void cleanupTestCase()
    {
        g_clear_object(&m_connection);
        m_bus.terminate();
        m_bus.waitForFinished();
    }

private:
    QTemporaryDir m_folder;
    QProcess m_bus;
    GDBusConnection *m_connection = nullptr;
};

QTEST_GUILESS_MAIN(EvolutionUnavailableTest)
#include "EvolutionUnavailableTest.moc"
