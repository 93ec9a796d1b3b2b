#include "model/domain/CallHistoryItem.h"
#include "model/domain/Failure.h"
#include "model/domain/SIPAccount.h"

#include <QJsonDocument>
#include <QTest>

using namespace vozel;
using namespace Qt::StringLiterals;

namespace {

SIPAccount account(const QString &extension, const QString &host = u"pbx.example.com"_s,
                   const QString &transport = u"udp"_s)
{
    return {extension, extension, u"s3cret"_s, host, 5060, transport, u"Ramal "_s + extension, 600};
}

const QByteArray storedId = "0f8fad5b-d9cb-469f-a165-70867728950e";
// account(u"2001"_s) as an earlier release stored it: lower-case id, members in another order, one unknown.
const QByteArray storedAccounts = R"({"accounts":[{"id":")" + storedId + R"(","account":{"registerExpires":600,)"
    R"("displayName":"Ramal 2001","transport":"udp","port":5060,"host":"pbx.example.com","password":"s3cret",)"
    R"("authUser":"2001","extension":"2001","extra":[1]}}]})";
const QByteArray storedRow = R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","number":"1","date":1,"duration":0,)"
                             R"("direction":"incoming"})";

} // namespace

class AccountsAndHistoryTest : public QObject {
    Q_OBJECT

private slots:
    void theCollectionFollowsTheUsersEdits()
    {
        SIPAccountCollection collection;
        collection.removeActive();
        QVERIFY(!collection.active());
        collection.save(account(u"2001"_s), std::nullopt, u"  Loja Sul \n"_s);
        collection.save(account(u"2002"_s));
        const QUuid first = collection.accounts[0].id;
        QCOMPARE(collection.active(), std::optional(collection.accounts[1]));
        QCOMPARE(collection.accounts[0].label(), u"Loja Sul · Ramal 2001"_s);
        collection.activeID = QUuid::createUuid();
        QCOMPARE(collection.active(), std::optional(collection.accounts[0]));

        // The same connection, however its host and transport are written, updates its entry.
        SIPAccount changed = account(u"2001"_s, u"PBX.Example.COM"_s, u"UDP"_s);
        changed.password = u"new"_s;
        collection.save(changed);
        QCOMPARE(collection.accounts.size(), 2);
        QCOMPARE(collection.accounts[0].account, changed);
        QCOMPARE(collection.accounts[0].name, u"Loja Sul"_s);
        QCOMPARE(collection.activeID, first);
        collection.save(changed, std::nullopt, u" \t "_s);
        QCOMPARE(collection.accounts[0].label(), u"Ramal 2001"_s);

        // Saving over an entry by its id changes it; over an id no longer there, appends.
        collection.save(account(u"3001"_s), collection.accounts[1].id);
        QCOMPARE(collection.accounts[1].account.extension, u"3001"_s);
        QCOMPARE(collection.activeID, collection.accounts[1].id);
        collection.save(account(u"3002"_s), QUuid::createUuid());
        QCOMPARE(collection.accounts.size(), 3);

        collection.activeID = collection.accounts[1].id;
        collection.removeActive();
        QCOMPARE(collection.accounts[1].account.extension, u"3002"_s);
        QCOMPARE(collection.activeID, first);
        collection.removeActive();
        collection.removeActive();
        QVERIFY(collection.accounts.isEmpty() && !collection.activeID);
    }

    void storedFormsReadBackUnchanged()
    {
        SIPAccountCollection collection;
        collection.save(account(u"2001"_s), std::nullopt, u"Casa"_s);
        collection.save(account(u"2002"_s), std::nullopt, std::nullopt, true);
        QCOMPARE(SIPAccountCollection::fromJsonData(collection.toJsonData()), collection);

        const auto older = SIPAccountCollection::fromJsonData(storedAccounts);
        QCOMPARE(older.accounts, (QList<SavedSIPAccount>{{QUuid(storedId), account(u"2001"_s), std::nullopt}}));

        const QList<CallHistoryItem> rows{
            {QUuid::createUuid(), u"+5511999990000"_s, {786000000.123456789}, CallHistoryItem::Direction::incoming,
             0, u"Loja Sul"_s},
            {QUuid::createUuid(), u"2002"_s, {-1.5}, CallHistoryItem::Direction::missed, 12.25, std::nullopt},
        };
        const QByteArray history = CallHistoryItem::encodeList(rows);
        QCOMPARE(CallHistoryItem::decodeList(history), rows);
        QCOMPARE(QJsonDocument::fromJson(history)[1]["direction"_L1].toString(), u"missed"_s);

        // Dates are seconds since the start of 2001.
        const CallHistoryItem row = CallHistoryItem::decodeList("[" + storedRow + "]").first();
        QCOMPARE(row.date.toDateTime(), QDateTime(QDate(2001, 1, 1), QTime(0, 0, 1), Qt::UTC));
        QVERIFY(qAbs(ReferenceDate::now().toDateTime().msecsTo(QDateTime::currentDateTimeUtc())) < 1000);
    }

    void unreadableDataIsRefused_data()
    {
        QTest::addColumn<bool>("history");
        QTest::addColumn<QByteArray>("data");
        const auto accountWith = [](const char *from, const QByteArray &to) {
            return QByteArray(storedAccounts).replace(from, to);
        };
        QTest::newRow("missing member") << false << accountWith(R"("registerExpires":600,)", {});
        QTest::newRow("port as text") << false << accountWith("5060", R"("5060")");
        QTest::newRow("fractional port") << false << accountWith("5060", "5060.5");
        QTest::newRow("huge expires") << false << accountWith(":600", ":1e30");
        QTest::newRow("null password") << false << accountWith(R"("s3cret")", "null");
        QTest::newRow("braced id") << false << accountWith(storedId, "{" + storedId + "}");
        QTest::newRow("not json") << false << QByteArray("accounts");
        QTest::newRow("date as text") << true
                                      << "[" + QByteArray(storedRow).replace(R"("date":1)", R"("date":"2024")") + "]";
        QTest::newRow("row not in a list") << true << storedRow;
    }

    void unreadableDataIsRefused()
    {
        QFETCH(bool, history);
        QFETCH(QByteArray, data);
        if (history)
            QVERIFY_THROWS_EXCEPTION(DecodingError, CallHistoryItem::decodeList(data));
        else
            QVERIFY_THROWS_EXCEPTION(DecodingError, SIPAccountCollection::fromJsonData(data));
    }
};

QTEST_GUILESS_MAIN(AccountsAndHistoryTest)
#include "AccountsAndHistoryTest.moc"
