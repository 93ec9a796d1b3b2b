#include "model/domain/CallHistoryItem.h"
#include "model/domain/Failure.h"
#include "model/domain/RegistrationState.h"
#include "model/domain/VozelCallState.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace vozel;
using namespace Qt::StringLiterals;

class HistoryJsonTest : public QObject {
    Q_OBJECT

private slots:
    void rowsRoundTripBitExact()
    {
        QList<CallHistoryItem> rows{
            {QUuid::createUuid(), u"+5511999990000"_s, {786000000.123456789}, CallHistoryItem::Direction::incoming,
             0, u"Loja Sul"_s},
            {QUuid::createUuid(), u"2002"_s, {-1.5}, CallHistoryItem::Direction::missed, 12.25, std::nullopt},
        };
        const QByteArray data = CallHistoryItem::encodeList(rows);
        QCOMPARE(CallHistoryItem::decodeList(data), rows);
        const auto second = QJsonDocument::fromJson(data).array()[1].toObject();
        QVERIFY(!second.contains("sourceLabel"_L1));
        QCOMPARE(second["direction"_L1].toString(), u"missed"_s);
    }

    void datesAreSecondsSince2001()
    {
        const auto row = CallHistoryItem::fromJson(QJsonDocument::fromJson(
            R"({"duration":0,"direction":"outgoing","date":0,"number":"1","id":"0F8FAD5B-D9CB-469F-A165-70867728950E"})")
                                                       .object());
        QCOMPARE(row.date.toDateTime(), QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC));
        QVERIFY(qAbs(ReferenceDate::now().toDateTime().msecsTo(QDateTime::currentDateTimeUtc())) < 1000);
    }

    void unreadableRowsMakeTheListUnreadable_data()
    {
        QTest::addColumn<QByteArray>("data");
        const QByteArray id = R"("id":"0F8FAD5B-D9CB-469F-A165-70867728950E","number":"1",)";
        QTest::newRow("unknown direction") << "[{" + id + R"("date":1,"duration":0,"direction":"rejected"}])";
        QTest::newRow("missing duration") << "[{" + id + R"("date":1,"direction":"incoming"}])";
        QTest::newRow("date as text") << "[{" + id + R"("date":"2024","duration":0,"direction":"incoming"}])";
        QTest::newRow("label as number")
            << "[{" + id + R"("date":1,"duration":0,"direction":"incoming","sourceLabel":3}])";
        QTest::newRow("object instead of array") << "{" + id + R"("date":1,"duration":0,"direction":"incoming"})";
        QTest::newRow("empty") << QByteArray();
    }

    void unreadableRowsMakeTheListUnreadable()
    {
        QFETCH(QByteArray, data);
        QVERIFY_THROWS_EXCEPTION(DecodingError, CallHistoryItem::decodeList(data));
    }

    void stateEqualityIgnoresIrrelevantPayload()
    {
        QVERIFY(RegistrationState::failed(u"a"_s) != RegistrationState::failed(u"b"_s));
        QVERIFY(RegistrationState::connected() == (RegistrationState{RegistrationState::Kind::Connected, u"x"_s}));
        QVERIFY(VozelCallState::dialing(u"1"_s) != VozelCallState::connected(u"1"_s));
        QVERIFY(VozelCallState::incoming(u"1"_s) != VozelCallState::incoming(u"2"_s));
    }
};

QTEST_GUILESS_MAIN(HistoryJsonTest)
#include "HistoryJsonTest.moc"
