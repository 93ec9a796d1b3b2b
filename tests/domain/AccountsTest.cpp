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

const QByteArray accountJson =
    R"({"registerExpires":600,"displayName":"Ramal 2001","transport":"udp","port":5060,)"
    R"("host":"pbx.example.com","password":"s3cret","authUser":"2001","extension":"2001","extra":[1]})";

} // namespace

class AccountsTest : public QObject {
    Q_OBJECT

private slots:
    void labelUsesTrimmedNicknameOrDisplayName()
    {
        SavedSIPAccount saved{QUuid::createUuid(), account(u"2001"_s), u"  Casa Norte \n"_s};
        QCOMPARE(saved.label(), u"Casa Norte · Ramal 2001"_s);
        saved.name = u" \t "_s;
        QCOMPARE(saved.label(), u"Ramal 2001"_s);
        saved.name.reset();
        QCOMPARE(saved.label(), u"Ramal 2001"_s);
    }

    void activeFallsBackToFirstEntry()
    {
        SIPAccountCollection collection;
        QVERIFY(!collection.active());
        collection.save(account(u"2001"_s));
        collection.save(account(u"2002"_s));
        QCOMPARE(collection.active()->account.extension, u"2002"_s);
        collection.activeID = QUuid::createUuid();
        QCOMPARE(collection.active()->account.extension, u"2001"_s);
    }

    void saveUpdatesMatchingConnectionInPlace()
    {
        SIPAccountCollection collection;
        collection.save(account(u"2001"_s), std::nullopt, u"Loja Sul"_s);
        collection.save(account(u"2002"_s));
        const QUuid firstID = collection.accounts[0].id;

        auto changed = account(u"2001"_s, u"PBX.Example.COM"_s, u"UDP"_s);
        changed.password = u"new"_s;
        changed.displayName = u"Outro"_s;
        collection.save(changed);

        QCOMPARE(collection.accounts.size(), 2);
        QCOMPARE(collection.accounts[0].id, firstID);
        QCOMPARE(collection.accounts[0].account, changed);
        QCOMPARE(collection.accounts[0].name, u"Loja Sul"_s);
        QCOMPARE(collection.activeID, firstID);

        collection.save(changed, std::nullopt, u"  "_s);
        QCOMPARE(collection.accounts[0].name, QString());
    }

    void saveReplacingAnIdChangesThatEntryOrAppends()
    {
        SIPAccountCollection collection;
        collection.save(account(u"2001"_s));
        collection.save(account(u"2002"_s));
        collection.save(account(u"3001"_s), collection.accounts[0].id);
        QCOMPARE(collection.accounts.size(), 2);
        QCOMPARE(collection.accounts[0].account.extension, u"3001"_s);
        QCOMPARE(collection.activeID, collection.accounts[0].id);

        const QUuid missing = QUuid::createUuid();
        collection.save(account(u"3001"_s), missing, u" Nova "_s);
        QCOMPARE(collection.accounts.size(), 3);
        QVERIFY(collection.accounts[2].id != missing);
        QCOMPARE(collection.accounts[2].name, u"Nova"_s);
        QCOMPARE(collection.activeID, collection.accounts[2].id);
    }

    void removeActiveKeepsOrderAndPicksFirst()
    {
        SIPAccountCollection collection;
        collection.removeActive();
        QVERIFY(collection.accounts.isEmpty());

        for (const auto &extension : {u"1"_s, u"2"_s, u"3"_s})
            collection.save(account(extension));
        collection.activeID = collection.accounts[1].id;
        collection.removeActive();
        QCOMPARE(collection.accounts.size(), 2);
        QCOMPARE(collection.accounts[0].account.extension, u"1"_s);
        QCOMPARE(collection.accounts[1].account.extension, u"3"_s);
        QCOMPARE(collection.activeID, collection.accounts[0].id);

        collection.removeActive();
        collection.removeActive();
        QVERIFY(collection.accounts.isEmpty());
        QVERIFY(!collection.activeID);
    }

    void accountRejectsMissingOrMistypedMembers_data()
    {
        QTest::addColumn<QString>("member");
        QTest::addColumn<QJsonValue>("value");
        QTest::newRow("missing registerExpires") << u"registerExpires"_s << QJsonValue(QJsonValue::Undefined);
        QTest::newRow("port as text") << u"port"_s << QJsonValue(u"5060"_s);
        QTest::newRow("fractional port") << u"port"_s << QJsonValue(5060.5);
        QTest::newRow("null password") << u"password"_s << QJsonValue(QJsonValue::Null);
        QTest::newRow("numeric extension") << u"extension"_s << QJsonValue(2001);
        QTest::newRow("huge expires") << u"registerExpires"_s << QJsonValue(1e30);
    }

    void accountRejectsMissingOrMistypedMembers()
    {
        QFETCH(QString, member);
        QFETCH(QJsonValue, value);
        auto object = account(u"2001"_s).toJson();
        if (value.isUndefined())
            object.remove(member);
        else
            object.insert(member, value);
        QVERIFY_THROWS_EXCEPTION(DecodingError, SIPAccount::fromJson(object));
    }

    void collectionRoundTripsWithUpperCaseIds()
    {
        SIPAccountCollection collection;
        collection.save(account(u"2001"_s), std::nullopt, u"Casa"_s);
        collection.save(account(u"2002"_s), std::nullopt, std::nullopt, true);
        const QByteArray data = collection.toJsonData();

        QVERIFY(!data.contains('\n'));
        const QString id = collection.accounts[0].id.toString(QUuid::WithoutBraces);
        QVERIFY(data.contains(id.toUpper().toUtf8()));
        QVERIFY(!data.contains(id.toLower().toUtf8()) || id.toLower() == id.toUpper());
        QCOMPARE(SIPAccountCollection::fromJsonData(data), collection);
        QVERIFY(!QJsonDocument::fromJson(data)["accounts"][1].toObject().contains("name"_L1));
        QVERIFY(!QJsonDocument::fromJson(data)["accounts"][0].toObject().contains("provisioned"_L1));
    }

    void collectionReadsLowerCaseIdsAndOptionalMembers()
    {
        const QByteArray data = R"({"accounts":[{"account":)" + accountJson
            + R"(,"id":"0f8fad5b-d9cb-469f-a165-70867728950e"}]})";
        const auto collection = SIPAccountCollection::fromJsonData(data);
        QCOMPARE(collection.accounts.size(), 1);
        QCOMPARE(collection.accounts[0].account, account(u"2001"_s)); // any member order, unknown ones ignored
        QCOMPARE(collection.accounts[0].id, QUuid(u"{0F8FAD5B-D9CB-469F-A165-70867728950E}"_s));
        QVERIFY(!collection.accounts[0].name);
        QVERIFY(!collection.accounts[0].provisioned);
        QVERIFY(!collection.activeID);
        QVERIFY(!collection.toJson().contains("activeID"_L1));
    }

    void collectionRejectsBadShapes_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("not json") << QByteArray("accounts");
        QTest::newRow("array") << QByteArray("[]");
        QTest::newRow("no accounts") << QByteArray(R"({"activeID":null})");
        const auto withId = [](const QByteArray &id) {
            return QByteArray(R"({"accounts":[{"id":"ID","account":)" + accountJson + "}]}").replace("ID", id);
        };
        QTest::newRow("bad id") << withId("2001");
        QTest::newRow("braced id") << withId("{0f8fad5b-d9cb-469f-a165-70867728950e}");
        QTest::newRow("bad activeID") << QByteArray(R"({"accounts":[],"activeID":"x"})");
        QTest::newRow("entry not object") << QByteArray(R"({"accounts":[1]})");
    }

    void collectionRejectsBadShapes()
    {
        QFETCH(QByteArray, data);
        QVERIFY_THROWS_EXCEPTION(DecodingError, SIPAccountCollection::fromJsonData(data));
    }
};

QTEST_GUILESS_MAIN(AccountsTest)
#include "AccountsTest.moc"
