#include "services/network/ProvisioningLink.h"
#include "model/domain/VozelError.h"

#include <QTest>

using namespace vozel;
using namespace Qt::StringLiterals;

class ProvisioningLinkTest : public QObject {
    Q_OBJECT

private slots:
    void normalize_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QString plain = u"https://pbx.example.com/api/pabx-linphone?token=abc"_s;
        QTest::newRow("blanks around a plain link") << u" \t"_s + plain + u"\r\n\u2003"_s << plain;
        QTest::newRow("plain link is not decoded")
            << u"https://h/api/pabx-vozel?token=a%20b"_s << u"https://h/api/pabx-vozel?token=a%20b"_s;
        QTest::newRow("wrapped and percent-encoded")
            << u"  linphone-config://https%3A%2F%2Fpbx.example.com%2Fapi%2Fpabx-linphone%3Ftoken%3Dabc \n"_s << plain;
        QTest::newRow("prefix in capitals, no slashes") << u"LINPHONE-CONFIG:"_s + plain << plain;
        QTest::newRow("odd slash is kept") << u"linphone-config:///"_s + plain << u"/"_s + plain;
        QTest::newRow("invalid escape left undecoded")
            << u"linphone-config:https%3A//h/x?token=%zz"_s << u"https%3A//h/x?token=%zz"_s;
        QTest::newRow("escape that is not UTF-8 left undecoded") << u"linphone-config:a%FFb"_s << u"a%FFb"_s;
        QTest::newRow("escaped UTF-8 decoded") << u"linphone-config:S%C3%A3o"_s << u"São"_s;
        QTest::newRow("prefix alone") << u"linphone-config:"_s << QString();
    }

    void normalize()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(ProvisioningLink::normalize(text), expected);
    }

    void links_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("token not first, trailing slash") << u"https://h/api/pabx-vozel/?a=1&token=abc"_s << true;
        QTest::newRow("percent-encoded path") << u"https://h/api/pabx%2Dvozel?token=1"_s << true;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("not an address") << u"Vozel ramal 2001"_s << false;
        QTest::newRow("http") << u"http://h/api/pabx-vozel?token=1"_s << false;
        QTest::newRow("no host") << u"https:///api/pabx-vozel?token=1"_s << false;
        QTest::newRow("other path") << u"https://h/api/pabx?token=1"_s << false;
        QTest::newRow("longer path") << u"https://h/api/pabx-vozel/extra?token=1"_s << false;
        QTest::newRow("no query") << u"https://h/api/pabx-vozel"_s << false;
        QTest::newRow("no token") << u"https://h/api/pabx-vozel?tok=1"_s << false;
        QTest::newRow("token in capitals") << u"https://h/api/pabx-vozel?Token=1"_s << false;
        QTest::newRow("token only in fragment") << u"https://h/api/pabx-vozel?a=1#token=1"_s << false;
        QTest::newRow("space inside") << u"https://h/api/pabx-vozel?token=a b"_s << false;
        QTest::newRow("wrapped http") << u"linphone-config:http%3A%2F%2Fh%2Fapi%2Fpabx-vozel%3Ftoken%3D1"_s << false;
    }

    void links()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        try {
            ProvisioningLink::parse(text);
            QVERIFY(accepted);
        } catch (const VozelError &error) {
            QVERIFY(!accepted);
            QCOMPARE(error, VozelError::invalidQRCode());
        }
    }
};

QTEST_GUILESS_MAIN(ProvisioningLinkTest)
#include "ProvisioningLinkTest.moc"
