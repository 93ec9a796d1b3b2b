#include "AccountFixtures.h"
#include "ScriptedSecretItemStore.h"

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

private slots:
    void init() { m_items = {}; }

    void undecodableItemsFailAndStayUntouched_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("collection not json") << KeychainStore::collectionItem << QByteArray("{\"accounts\":[");
        QTest::newRow("collection empty") << KeychainStore::collectionItem << QByteArray();
        QTest::newRow("collection member of wrong type") << KeychainStore::collectionItem
                                                         << QByteArray(R"({"accounts":{}})");
        QTest::newRow("older item not json") << KeychainStore::legacyItem << QByteArray("extension=2001");
        QTest::newRow("older item port as text")
            << KeychainStore::legacyItem << legacyData(u"2001"_s).replace("\"port\":5060", "\"port\":\"5060\"");
    }

    void undecodableItemsFailAndStayUntouched()
    {
        QFETCH(QString, item);
        QFETCH(QByteArray, data);
        // An older item beside a corrupt collection must not be migrated over it.
        m_items.items.insert(legacyKey, legacyData(u"3001"_s));
        m_items.items.insert({KeychainStore::service, item}, data);
        const auto before = m_items.items;
        QVERIFY_THROWS_EXCEPTION(DecodingError, m_store.loadCollection());
        QCOMPARE(m_items.items, before);
        QCOMPARE(m_items.writes, 0);
    }

    void failuresCarryTheStoreStatus_data()
    {
        QTest::addColumn<QString>("failingCall");
        QTest::addColumn<std::int32_t>("status");
        QTest::addColumn<bool>("collectionStored");
        QTest::newRow("collection locked") << u"read accounts.v2"_s << -25308 << true;
        QTest::newRow("collection read without data") << u"read accounts.v2"_s << 0 << true;
        QTest::newRow("older item unreachable") << u"read provisioning"_s << -25291 << false;
        QTest::newRow("older item read without data") << u"read provisioning"_s << 0 << false;
        QTest::newRow("migration update refused") << u"update accounts.v2"_s << -25293 << false;
        QTest::newRow("migration add timed out") << u"add accounts.v2"_s << -36 << false;
    }

    void failuresCarryTheStoreStatus()
    {
        QFETCH(QString, failingCall);
        QFETCH(std::int32_t, status);
        QFETCH(bool, collectionStored);
        if (status == SecretItemStore::success)
            m_items.readsWithoutData.insert(failingCall);
        else
            m_items.failures.insert(failingCall, status);
        if (collectionStored)
            m_items.items.insert(collectionKey, collectionOf({u"2001"_s}).toJsonData());
        m_items.items.insert(legacyKey, legacyData(u"3001"_s));
        const auto before = m_items.items;

        QCOMPARE(keychainStatusOf([&] { m_store.loadCollection(); }), status);
        QCOMPARE(m_items.calls.last(), failingCall);
        QCOMPARE(m_items.items, before);

        // Nothing was lost: the next start finds everything where it was.
        m_items.failures.clear();
        m_items.readsWithoutData.clear();
        const auto loaded = m_store.loadCollection();
        QCOMPARE(loaded.active()->account.extension, collectionStored ? u"2001"_s : u"3001"_s);
        QCOMPARE(m_items.items.contains(legacyKey), collectionStored); // the collection wins, the older item stays
    }

    void failedRemovalOfTheOlderItemStillMigrates()
    {
        m_items.failures.insert(u"remove provisioning"_s, -25308);
        m_items.items.insert(legacyKey, legacyData(u"3001"_s));
        const auto migrated = m_store.loadCollection();
        QCOMPARE(migrated.active()->account, storedAccount(u"3001"_s));
        QCOMPARE(m_items.items.value(collectionKey), migrated.toJsonData());
    }

    void saveFailuresCarryTheStoreStatus_data()
    {
        QTest::addColumn<bool>("itemExists");
        QTest::addColumn<QString>("failingCall");
        QTest::addColumn<std::int32_t>("status");
        QTest::newRow("update locked") << true << u"update accounts.v2"_s << -25308;
        QTest::newRow("add duplicate") << false << u"add accounts.v2"_s << -25299;
    }

    void saveFailuresCarryTheStoreStatus()
    {
        QFETCH(bool, itemExists);
        QFETCH(QString, failingCall);
        QFETCH(std::int32_t, status);
        if (itemExists)
            m_items.items.insert(collectionKey, collectionOf({u"2001"_s}).toJsonData());
        const auto before = m_items.items;
        m_items.failures.insert(failingCall, status);

        QCOMPARE(keychainStatusOf([&] { m_store.saveCollection(collectionOf({u"2002"_s})); }), status);
        QCOMPARE(m_items.calls.last(), failingCall);
        QCOMPARE(m_items.calls.size(), itemExists ? 1 : 2); // an add only after "not found", never a delete
        QCOMPARE(m_items.items, before);
    }
};

QTEST_GUILESS_MAIN(KeychainStoreTest)
#include "KeychainStoreTest.moc"
