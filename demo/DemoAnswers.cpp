#include "DemoAnswers.h"

#include "model/domain/Failure.h"
#include "model/domain/Json.h"
#include "model/domain/SIPAccount.h"

#include <QUrl>
#include <QUrlQuery>

namespace vozel::demo {

using namespace Qt::StringLiterals;

namespace {

constexpr auto currentPath = "/api/pabx-vozel"_L1;
constexpr auto legacyPath = "/api/pabx-linphone"_L1;

HttpAnswer jsonAnswer(int status, const QJsonObject &body, const QString &note)
{
    return {status, "application/json; charset=utf-8"_ba, json::compact(body), note};
}

HttpAnswer refusal(int status, const QString &message, const QString &note)
{
    return jsonAnswer(status, QJsonObject{{"error"_L1, message}}, note);
}

QByteArray xmlEscaped(const QString &text)
{
    return text.toHtmlEscaped().toUtf8();
}

} // namespace

DemoAnswers::DemoAnswers(DemoPlan plan, quint16 sipPort) : m_plan(std::move(plan)), m_sipPort(sipPort) {}

HttpAnswer DemoAnswers::answer(const QByteArray &method, const QByteArray &target, const QByteArray &body) const
{
    const QUrl url(QString::fromUtf8(target));
    QString path = url.path();
    if (path.endsWith(u'/'))
        path.chop(1);
    if (method == "GET" && (path == currentPath || path == legacyPath))
        return provisioning(path, QUrlQuery(url).queryItemValue(u"token"_s, QUrl::FullyDecoded));
    if (method == "POST" && path == currentPath)
        return origin(body);
    return refusal(404, u"Endereço desconhecido."_s, u"%1 %2: endereço desconhecido"_s.arg(method, path));
}

HttpAnswer DemoAnswers::provisioning(const QString &path, const QString &token) const
{
    const DemoExtension &extension = *m_plan.extension(m_plan.provisionedExtension);
    const QString host = u"127.0.0.1"_s;

    if (path == currentPath && token == m_plan.token) {
        const SIPAccount account{extension.number, extension.number, extension.password, host, m_sipPort,
                                 u"udp"_s, extension.name, 600};
        return jsonAnswer(200, QJsonObject{{"ok"_L1, true}, {"version"_L1, 1}, {"account"_L1, account.toJson()}},
                          u"provisionamento: ramal %1 entregue em JSON"_s.arg(extension.number));
    }
    if (path == currentPath && token == m_plan.legacyToken) {
        // Servers of the old links refuse them at the current address; the app then asks the old one.
        return refusal(404, u"Link antigo: use o endereço de provisionamento anterior."_s,
                       u"provisionamento: link antigo recusado no endereço atual"_s);
    }
    if (path == legacyPath && token == m_plan.legacyToken) {
        const QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                               "<config xmlns=\"http://www.linphone.org/xsds/lpconfig.xsd\">\n"
                               "  <section name=\"proxy_0\">\n"
                               "    <entry name=\"reg_proxy\">sip:"
            + xmlEscaped(host) + ':' + QByteArray::number(m_sipPort)
            + ";transport=udp</entry>\n"
              "    <entry name=\"reg_identity\">sip:"
            + xmlEscaped(extension.number) + '@' + xmlEscaped(host)
            + "</entry>\n"
              "  </section>\n"
              "  <section name=\"auth_info_0\">\n"
              "    <entry name=\"username\">"
            + xmlEscaped(extension.number)
            + "</entry>\n"
              "    <entry name=\"passwd\">"
            + xmlEscaped(extension.password)
            + "</entry>\n"
              "  </section>\n"
              "</config>\n";
        return {200, "application/xml; charset=utf-8"_ba, xml,
                u"provisionamento: ramal %1 entregue em XML (link antigo)"_s.arg(extension.number)};
    }
    return refusal(403, u"Link de provisionamento inválido ou expirado."_s,
                   u"provisionamento: token desconhecido recusado"_s);
}

HttpAnswer DemoAnswers::origin(const QByteArray &body) const
{
    QString number, password, caller;
    try {
        const QJsonObject request = json::parseObject(body);
        number = json::requireString(request, "extension"_L1);
        password = json::requireString(request, "password"_L1);
        caller = json::requireString(request, "caller"_L1);
        json::requireString(request, "host"_L1);
    } catch (const DecodingError &) {
        return jsonAnswer(400, QJsonObject{{"ok"_L1, false}}, u"origem: pedido malformado"_s);
    }
    const DemoExtension *extension = m_plan.extension(number);
    if (!extension || extension->password != password)
        return jsonAnswer(403, QJsonObject{{"ok"_L1, false}}, u"origem: credenciais do ramal %1 recusadas"_s.arg(number));
    if (const DemoOrigin *found = m_plan.origin(caller)) {
        return jsonAnswer(200, QJsonObject{{"ok"_L1, true}, {"origin"_L1, QJsonObject{{"label"_L1, found->label}}}},
                          u"origem de %1 para o ramal %2: %3"_s.arg(caller, number, found->label));
    }
    return jsonAnswer(200, QJsonObject{{"ok"_L1, false}},
                      u"origem de %1 para o ramal %2: não identificada"_s.arg(caller, number));
}

} // namespace vozel::demo
