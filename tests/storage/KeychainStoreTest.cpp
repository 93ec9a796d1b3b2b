#include "AccountFixtures.h"

#include "model/domain/Failure.h"
#include "services/storage/KeychainStore.h"

#include <QTest>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;

namespace {

const auto collectionKey = qMakePair(KeychainStore::service, KeychainStore::collectionItem);
const auto legacyKey = qMakePair(KeychainStore::service, KeychainStore::legacyItem);

} // namespace

class KeychainStoreTest : public QObject {
    Q_OBJECT

    ScriptedSecretItemStore m_items;
    KeychainStore m_store{m_items};

    QString loadedExtension()
    {
        try {
            return m_store.loadCollection().active()->account.extension;
        } catch (const DecodingError &) {
            return u"undecodable"_s;
        } catch (const VozelError &error) {
            return u"status %1"_s.arg(error.status());
        }
    }

private slots:
    void init() { m_items = {}; }

    void load_data()
    {
        QTest::addColumn<QByteArray>("collection"); // null: none stored
        QTest::addColumn<QByteArray>("legacy");
        QTest::addColumn<QString>("failingCall");
        QTest::addColumn<std::int32_t>("status");
        QTest::addColumn<QString>("outcome");
        const QByteArray none, stored = collectionOf({u"2001"_s}).toJsonData(), old = legacyData(u"3001"_s);
        const QString undecodable = u"undecodable"_s;
        // An older item beside a corrupt collection must never be migrated over it.
        QTest::newRow("collection not json") << "{\"accounts\":["_ba << old << QString() << 0 << undecodable;
        QTest::newRow("older item not json") << none << "extension=2001"_ba << QString() << 0 << undecodable;
        QTest::newRow("collection locked") << stored << old << u"read accounts.v2"_s << -25308 << u"status -25308"_s;
        QTest::newRow("collection read without data") << stored << old << u"read accounts.v2"_s << 0 << u"status 0"_s;
        QTest::newRow("older item unreachable") << none << old << u"read provisioning"_s << -25291 << u"status -25291"_s;
        QTest::newRow("older item read without data") << none << old << u"read provisioning"_s << 0 << u"status 0"_s;
        QTest::newRow("migration update refused") << none << old << u"update accounts.v2"_s << -25293 << u"status -25293"_s;
        QTest::newRow("migration add timed out") << none << old << u"add accounts.v2"_s << -36 << u"status -36"_s;
        QTest::newRow("older item not removed still migrates") << none << old << u"remove provisioning"_s << -25308 << u"3001"_s;
    }

    void load()
    {
        QFETCH(QByteArray, collection);
        QFETCH(QByteArray, legacy);
        QFETCH(QString, failingCall);
        QFETCH(std::int32_t, status);
        QFETCH(QString, outcome);
        if (!collection.isNull())
            m_items.items.insert(collectionKey, collection);
        m_items.items.insert(legacyKey, legacy);
        if (!failingCall.isEmpty())
            m_items.failures.insert(failingCall, status);
        const auto before = m_items.items;

        QCOMPARE(loadedExtension(), outcome);
        if (outcome.size() > 4) { // it failed and lost nothing
            QCOMPARE(m_items.items, before);
            QCOMPARE(m_items.writes, 0);
            if (!failingCall.isEmpty())
                QCOMPARE(m_items.calls.last(), failingCall);
        }
        if (outcome == u"undecodable"_s)
            return;
        // The next start finds the collection, or the older item's account moved into it.
        m_items.failures.clear();
        QCOMPARE(loadedExtension(), collection.isNull() ? u"3001"_s : u"2001"_s);
        QCOMPARE(m_items.items.value(collectionKey), m_store.loadCollection().toJsonData());
        QCOMPARE(m_items.items.contains(legacyKey), !collection.isNull() || failingCall.startsWith(u"remove"_s));
    }
};

QTEST_GUILESS_MAIN(KeychainStoreTest)
#include "KeychainStoreTest.moc"
