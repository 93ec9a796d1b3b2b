#include "AccountPrinting.h"
#include "services/network/LegacyLinphoneProvisioning.h"

#include <QTest>

using namespace vozel;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<vozel::SIPAccount>)

namespace {

// A document in liblinphone's remote configuration layout with the given registrar.
QByteArray document(const QByteArray &proxy, const QByteArray &extraEntries = {})
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<config xmlns=\"http://www.linphone.org/xsds/lpconfig.xsd\">\n"
           "  <section name=\"proxy_0\">\n"
           "    <entry name=\"reg_proxy\" overwrite=\"true\">" + proxy + "</entry>\n"
           "    <entry name=\"reg_expires\">3600</entry>\n"
           "  </section>\n"
           "  <section name=\"auth_info_0\">\n"
           "    <entry name=\"username\">2001</entry>\n"
           "    <entry name=\"passwd\">s3cret</entry>\n"
           + extraEntries + "  </section>\n</config>\n";
}

SIPAccount expected(const QString &host, qint64 port, const QString &transport,
                    const QString &extension = u"2001"_s, const QString &authUser = u"2001"_s,
                    const QString &password = u"s3cret"_s)
{
    return {extension, authUser, password, host, port, transport, u"Ramal "_s + extension, 600};
}

} // namespace

class LegacyXmlTest : public QObject {
    Q_OBJECT

private slots:
    void registrar_data()
    {
        QTest::addColumn<QByteArray>("proxy");
        QTest::addColumn<std::optional<SIPAccount>>("account");
        const auto at = [](const QString &host, qint64 port, const QString &transport) {
            return std::optional(expected(host, port, transport));
        };
        const QString pbx = u"pbx.example.com"_s;
        QTest::newRow("sip prefix, port, transport in capitals") << "sip:pbx.example.com:5070;transport=TCP"_ba
                                                                << at(pbx, 5070, u"tcp"_s);
        QTest::newRow("tls gets 5061") << "pbx.example.com;transport=tls"_ba << at(pbx, 5061, u"tls"_s);
        QTest::newRow("TLS in capitals gets 5060") << "pbx.example.com;transport=TLS"_ba << at(pbx, 5060, u"tls"_s);
        QTest::newRow("bare host") << "pbx.example.com"_ba << at(pbx, 5060, u"udp"_s);
        QTest::newRow("port out of range") << "pbx.example.com:99999"_ba << at(pbx, 5060, u"udp"_s);
        QTest::newRow("transport after other parameters") << "sip:pbx;lr;;Transport=TCP;transport=udp"_ba
                                                         << at(u"pbx"_s, 5060, u"tcp"_s);
        QTest::newRow("unknown transport passed on") << "pbx;transport=WS"_ba << at(u"pbx"_s, 5060, u"ws"_s);
        QTest::newRow("IPv6 with port") << "sip:[2001:db8::1]:5070;transport=tcp"_ba
                                        << at(u"[2001:db8::1]"_s, 5070, u"tcp"_s);
        QTest::newRow("IPv6 without port") << "[2001:db8::1];transport=tls"_ba
                                           << at(u"[2001:db8::1]"_s, 5061, u"tls"_s);
        QTest::newRow("only the prefix") << "sip:"_ba << std::optional<SIPAccount>();
    }

    void registrar()
    {
        QFETCH(QByteArray, proxy);
        QFETCH(std::optional<SIPAccount>, account);
        QCOMPARE(LegacyLinphoneProvisioning::account(document(proxy)), account);
    }

    void entries_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<std::optional<SIPAccount>>("account");
        const auto pbx = [](const QString &authUser, const QString &extension = u"2001"_s,
                            const QString &password = u"s3cret"_s) {
            return std::optional(expected(u"pbx"_s, 5060, u"udp"_s, extension, authUser, password));
        };
        // Wrapped in a root element after a username, password "p" and registrar "pbx".
        const auto withEntries = [](const QByteArray &entries) {
            return "<c>" + entries + R"(<entry name="passwd">p</entry><entry name="reg_proxy">pbx</entry></c>)";
        };
        const std::optional<SIPAccount> none;
        QTest::newRow("user id given") << document("pbx", R"(<entry name="userid">auth-2001</entry>)")
                                       << pbx(u"auth-2001"_s);
        QTest::newRow("later entry of the same name wins")
            << document("pbx", R"(</section><section name="other"><entry name="username">3003</entry>)")
            << pbx(u"3003"_s, u"3003"_s);
        QTest::newRow("text trimmed and joined from pieces")
            << R"(<c><entry name="username">
  20<![CDATA[0]]>1 </entry><entry name="passwd"> a&amp;b<!-- note -->&lt;c&#x3E;
</entry><entry name="reg_proxy">pbx</entry></c>)"_ba
            << pbx(u"2001"_s, u"2001"_s, u"a&b<c>"_s);
        QTest::newRow("text of nested elements counts") << withEntries(R"(<entry name="username"><v>20</v>01</entry>)")
                                                        << pbx(u"2001"_s, u"2001"_s, u"p"_s);
        QTest::newRow("only entry elements with a name count")
            << withEntries(R"(<username>9</username><entry>9</entry><Entry name="username">9</Entry>)"
                           R"(<lp:entry name="username" xmlns:lp="urn:x">9</lp:entry>)"
                           R"(<entry name="username">2001</entry>)")
            << pbx(u"2001"_s, u"2001"_s, u"p"_s);
        QTest::newRow("missing password")
            << R"(<c><entry name="username">2001</entry><entry name="reg_proxy">pbx</entry></c>)"_ba << none;
        QTest::newRow("blank username") << withEntries(R"(<entry name="username"> </entry>)") << none;
        QTest::newRow("malformed after a full account") << document("pbx") + "<extra>"_ba << none;
        QTest::newRow("JSON body")
            << R"({"ok":true,"version":1,"account":{"extension":"2001","password":"p","host":"pbx"}})"_ba << none;
        QTest::newRow("HTML page")
            << R"(<!DOCTYPE html><html><head><title>Erro</title></head><body><p>Falha<br></body></html>)"_ba << none;
        QTest::newRow("empty body") << QByteArray() << none;
    }

    void entries()
    {
        QFETCH(QByteArray, xml);
        QFETCH(std::optional<SIPAccount>, account);
        QCOMPARE(LegacyLinphoneProvisioning::account(xml), account);
    }
};

QTEST_GUILESS_MAIN(LegacyXmlTest)
#include "LegacyXmlTest.moc"
