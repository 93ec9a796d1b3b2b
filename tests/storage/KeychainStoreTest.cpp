#include "AccountFixtures.h"
#include "InMemorySecretItemStore.h"

#include "model/domain/Failure.h"
#include "services/storage/KeychainStore.h"

#include <QTest>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;

namespace {

const auto collectionKey = qMakePair(KeychainStore::service, KeychainStore::collectionItem);
const auto legacyKey = qMakePair(KeychainStore::service, KeychainStore::legacyItem);

// An in-memory store whose call `failingCall` ("<operation> <account>") answers `status`; a read
// answered with success then hands over no data.
class ScriptedSecretItemStore : public InMemorySecretItemStore {
public:
    QString failingCall;
    std::int32_t status = success;

    ReadResult read(const QString &service, const QString &account) override
    {
        return fails(u"read "_s, account) ? ReadResult{status, std::nullopt} : InMemorySecretItemStore::read(service, account);
    }
    std::int32_t update(const QString &service, const QString &account, const QByteArray &data) override
    {
        return fails(u"update "_s, account) ? status : InMemorySecretItemStore::update(service, account, data);
    }
    std::int32_t add(const QString &service, const QString &account, const QByteArray &data) override
    {
        return fails(u"add "_s, account) ? status : InMemorySecretItemStore::add(service, account, data);
    }
    std::int32_t remove(const QString &service, const QString &account) override
    {
        return fails(u"remove "_s, account) ? status : InMemorySecretItemStore::remove(service, account);
    }

private:
    bool fails(const QString &operation, const QString &account) const { return failingCall == operation + account; }
};

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
        const QByteArray none, stored = collectionOf({u"2001"_s}).toJsonData();
        const QByteArray old = json::compact(storedAccount(u"3001"_s).toJson()); // as an earlier release stored it
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
        m_items.failingCall = failingCall;
        m_items.status = status;
        const auto before = m_items.items;

        QCOMPARE(loadedExtension(), outcome);
        if (outcome.size() > 4) { // it failed and lost nothing
            QCOMPARE(m_items.items, before);
            QCOMPARE(m_items.writes, 0);
        }
        if (outcome == u"undecodable"_s)
            return;
        // The next start finds the collection, or the older item's account moved into it.
        m_items.failingCall.clear();
        QCOMPARE(loadedExtension(), collection.isNull() ? u"3001"_s : u"2001"_s);
        QCOMPARE(m_items.items.value(collectionKey), m_store.loadCollection().toJsonData());
        QCOMPARE(m_items.items.contains(legacyKey), !collection.isNull() || failingCall.startsWith(u"remove"_s));
    }
};

QTEST_GUILESS_MAIN(KeychainStoreTest)
#include "KeychainStoreTest.moc"
