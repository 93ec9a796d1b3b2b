#include "AccountPrinting.h"
#include "model/domain/VozelError.h"
#include "services/network/ProvisioningAnswer.h"
#include "services/network/ProvisioningLink.h"

#include <QJsonObject>

using namespace vozel;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<vozel::SIPAccount>)

namespace {

// A document in liblinphone's remote configuration layout with the given registrar.
QByteArray document(const QByteArray &proxy, const QByteArray &extraEntries = {})
{
    return R"(<?xml version="1.0" encoding="UTF-8"?><config xmlns="http://www.linphone.org/xsds/lpconfig.xsd">)"
           R"(<section name="proxy_0"><entry name="reg_proxy" overwrite="true">)" + proxy + R"(</entry>)"
           R"(<entry name="reg_expires">3600</entry></section><section name="auth_info_0"><entry name="username">2001)"
           R"(</entry><entry name="passwd">s3cret</entry>)" + extraEntries + "</section></config>\n";
}

std::optional<SIPAccount> legacy(const QString &host, qint64 port, const QString &transport,
                                 const QString &authUser = u"2001"_s, const QString &extension = u"2001"_s,
                                 const QString &password = u"s3cret"_s)
{
    return SIPAccount{extension, authUser, password, host, port, transport, u"Ramal "_s + extension, 600};
}

} // namespace

// How the link from the operator's QR code and the server's answer to it are read.
class ProvisioningParsingTest : public QObject {
    Q_OBJECT

private slots:
    void links_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("normalized"); // null: the text as it is
        QTest::addColumn<bool>("accepted");
        const QString plain = u"https://pbx.example.com/api/pabx-linphone?token=abc"_s;
        const QString same;
        QTest::newRow("blanks around a plain link") << u" \t"_s + plain + u"\r\n\u2003"_s << plain << true;
        QTest::newRow("plain link is not decoded") << u"https://h/api/pabx-vozel?token=a%20b"_s << same << true;
        QTest::newRow("wrapped and percent-encoded")
            << u"  linphone-config://https%3A%2F%2Fpbx.example.com%2Fapi%2Fpabx-linphone%3Ftoken%3Dabc \n"_s << plain << true;
        QTest::newRow("prefix in capitals, no slashes") << u"LINPHONE-CONFIG:"_s + plain << plain << true;
        QTest::newRow("invalid escape left undecoded") << u"linphone-config:h?t=%zz%4"_s << u"h?t=%zz%4"_s << false;
        QTest::newRow("token not first, trailing slash") << u"https://h/api/pabx-vozel/?a=1&token=abc"_s << same << true;
        QTest::newRow("not an address") << u"Vozel ramal 2001"_s << same << false;
        QTest::newRow("http") << u"http://h/api/pabx-vozel?token=1"_s << same << false;
        QTest::newRow("no host") << u"https:///api/pabx-vozel?token=1"_s << same << false;
        QTest::newRow("longer path") << u"https://h/api/pabx-vozel/extra?token=1"_s << same << false;
        QTest::newRow("no token") << u"https://h/api/pabx-vozel?tok=1"_s << same << false;
        QTest::newRow("token only in fragment") << u"https://h/api/pabx-vozel?a=1#token=1"_s << same << false;
        QTest::newRow("space inside") << u"https://h/api/pabx-vozel?token=a b"_s << same << false;
    }

    void links()
    {
        QFETCH(QString, text);
        QFETCH(QString, normalized);
        QFETCH(bool, accepted);
        QCOMPARE(ProvisioningLink::normalize(text), normalized.isNull() ? text : normalized);
        try {
            ProvisioningLink::parse(text);
            QVERIFY(accepted);
        } catch (const VozelError &error) {
            QVERIFY(!accepted);
            QCOMPARE(error, VozelError::invalidQRCode());
        }
    }

    void answers_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<std::optional<SIPAccount>>("account");
        const SIPAccount full{u"2001"_s, u"a-2001"_s, u"pw"_s, u"pbx.example.com"_s, 5070, u"tcp"_s, u"Recepção"_s, 300};
        const auto json = [&](const QJsonObject &changes, const QByteArray &answer = R"("ok":true,"version":1)") {
            QJsonObject account = full.toJson();
            for (auto it = changes.begin(); it != changes.end(); ++it)
                account.insert(it.key(), it.value());
            return "{" + answer + R"(,"account":)" + QJsonDocument(account).toJson(QJsonDocument::Compact) + "}";
        };
        const std::optional<SIPAccount> none;
        SIPAccount sparse = full;
        sparse.authUser = sparse.displayName = QString();
        const QString pbxHost = u"pbx.example.com"_s;

        QTest::newRow("complete account") << json({}) << std::optional(full);
        QTest::newRow("empty user and name, blank extension")
            << json({{"authUser"_L1, ""}, {"displayName"_L1, ""}}) << std::optional(sparse);
        QTest::newRow("ok false") << json({}, R"("ok":false,"version":1)") << none;
        QTest::newRow("version 2") << json({}, R"("ok":true,"version":2)") << none;
        for (const char *member : {"extension", "password", "host"})
            QTest::addRow("empty %s", member) << json({{QLatin1String(member), ""}}) << none;
        QTest::newRow("HTML page") << "<!DOCTYPE html><html><p>Falha<br></html>"_ba << none;

        QTest::newRow("XML: sip prefix, port, transport in capitals")
            << document("sip:pbx.example.com:5070;transport=TCP") << legacy(pbxHost, 5070, u"tcp"_s);
        QTest::newRow("XML: tls gets 5061") << document("pbx.example.com;transport=tls") << legacy(pbxHost, 5061, u"tls"_s);
        QTest::newRow("XML: TLS in capitals gets 5060") << document("pbx.example.com;transport=TLS")
                                                        << legacy(pbxHost, 5060, u"tls"_s);
        QTest::newRow("XML: port out of range") << document("pbx.example.com:99999") << legacy(pbxHost, 5060, u"udp"_s);
        QTest::newRow("XML: IPv6 with port") << document("sip:[2001:db8::1]:5070;transport=tcp")
                                             << legacy(u"[2001:db8::1]"_s, 5070, u"tcp"_s);
        QTest::newRow("XML: IPv6 without port") << document("[2001:db8::1];transport=tls")
                                                << legacy(u"[2001:db8::1]"_s, 5061, u"tls"_s);
        QTest::newRow("XML: only the prefix") << document("sip:") << none;
        QTest::newRow("XML: user id given") << document("pbx", R"(<entry name="userid">auth-2001</entry>)")
                                            << legacy(u"pbx"_s, 5060, u"udp"_s, u"auth-2001"_s);
        QTest::newRow("XML: later entry of the same name wins")
            << document("pbx", R"(</section><section name="other"><entry name="username">3003</entry>)")
            << legacy(u"pbx"_s, 5060, u"udp"_s, u"3003"_s, u"3003"_s);
        QTest::newRow("XML: text trimmed and joined from pieces")
            << R"(<c><entry name="username">
  20<![CDATA[0]]>1 </entry><entry name="passwd"> a&amp;b<!-- note -->&lt;c&#x3E;
</entry><entry name="reg_proxy">pbx</entry></c>)"_ba
            << legacy(u"pbx"_s, 5060, u"udp"_s, u"2001"_s, u"2001"_s, u"a&b<c>"_s);
        QTest::newRow("XML: missing password")
            << R"(<c><entry name="username">2001</entry><entry name="reg_proxy">pbx</entry></c>)"_ba << none;
        QTest::newRow("XML: blank username") << document("pbx", R"(<entry name="username"> </entry>)") << none;
        QTest::newRow("XML: malformed after a full account") << document("pbx") + "<extra>"_ba << none;
    }

    void answers()
    {
        QFETCH(QByteArray, body);
        QFETCH(std::optional<SIPAccount>, account);
        try {
            QCOMPARE(std::optional(ProvisioningAnswer::account(body)), account);
        } catch (const VozelError &error) {
            QVERIFY(!account);
            QCOMPARE(error, VozelError::invalidResponse());
        }
    }
};

QTEST_GUILESS_MAIN(ProvisioningParsingTest)
#include "ProvisioningParsingTest.moc"
