#include "LegacyLinphoneProvisioning.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

#include <algorithm>

namespace vozel {

using namespace Qt::StringLiterals;

namespace {

constexpr auto entryElement = "entry"_L1;

struct Registrar {
    QString host;
    qint64 port = 0;
    QString transport;
};

// The value of the first "transport=" parameter as written; "udp" when there is none.
QString transportParameter(const QStringList &parts)
{
    for (const QString &part : parts) {
        if (!part.toLower().startsWith("transport="_L1))
            continue;
        const QStringList pieces = part.split(u'=', Qt::SkipEmptyParts);
        // A bare "transport=" names no transport; the key itself is not one.
        return pieces.size() > 1 ? pieces.last() : u"udp"_s;
    }
    return u"udp"_s;
}

std::optional<qint64> portNumber(const QString &text)
{
    static const QRegularExpression decimal(u"\\A[+-]?[0-9]+\\z"_s);
    if (!decimal.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const qint64 port = text.toLongLong(&ok);
    // A port the registrar cannot have is treated like an unreadable one.
    if (!ok || port < 1 || port > 65535)
        return std::nullopt;
    return port;
}

// "sip:host:port;transport=tcp" and its shorter forms.
Registrar registrar(QString proxy)
{
    if (proxy.startsWith("sip:"_L1, Qt::CaseInsensitive))
        proxy.remove(0, 4);
    const QStringList parts = proxy.split(u';', Qt::SkipEmptyParts);
    // The host comes before the first ";"; a value that starts with parameters has none.
    const QString hostAndPort = proxy.section(u';', 0, 0);

    Registrar result;
    result.transport = transportParameter(parts);
    const qint64 defaultPort = result.transport == "tls"_L1 ? 5061 : 5060;
    result.transport = result.transport.toLower();

    const auto colon = hostAndPort.lastIndexOf(u':');
    // The colons of a bracketed IPv6 address do not separate a port.
    const bool colonInsideBrackets = hostAndPort.startsWith(u'[') && hostAndPort.lastIndexOf(u']') > colon;
    if (colon < 0 || colonInsideBrackets) {
        result.host = hostAndPort;
        result.port = defaultPort;
        return result;
    }
    result.host = hostAndPort.left(colon);
    result.port = portNumber(hostAndPort.mid(colon + 1)).value_or(defaultPort);
    return result;
}

} // namespace

void LegacyLinphoneProvisioning::startElement(const QString &name, const std::optional<QString> &nameAttribute)
{
    if (name != entryElement || !nameAttribute)
        return;
    m_currentName = *nameAttribute;
    m_currentValue.clear();
}

void LegacyLinphoneProvisioning::characters(const QString &text)
{
    if (!m_currentName.isEmpty())
        m_currentValue += text;
}

void LegacyLinphoneProvisioning::endElement(const QString &name)
{
    if (name != entryElement || m_currentName.isEmpty())
        return;
    m_values.insert(m_currentName, m_currentValue.trimmed());
    m_currentName.clear();
    m_currentValue.clear();
}

std::optional<SIPAccount> LegacyLinphoneProvisioning::account(const QByteArray &data)
{
    LegacyLinphoneProvisioning reader;
    QXmlStreamReader xml(data);
    xml.setNamespaceProcessing(false);
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            const auto attributes = xml.attributes();
            const auto name = std::find_if(attributes.cbegin(), attributes.cend(), [](const QXmlStreamAttribute &a) {
                return a.qualifiedName() == "name"_L1;
            });
            reader.startElement(xml.qualifiedName().toString(),
                                name != attributes.cend() ? std::optional(name->value().toString()) : std::nullopt);
            break;
        }
        case QXmlStreamReader::Characters:
            reader.characters(xml.text().toString());
            break;
        case QXmlStreamReader::EndElement:
            reader.endElement(xml.qualifiedName().toString());
            break;
        default:
            break;
        }
    }
    if (xml.hasError())
        return std::nullopt;

    const QString username = reader.m_values.value(u"username"_s);
    const QString password = reader.m_values.value(u"passwd"_s);
    const QString proxy = reader.m_values.value(u"reg_proxy"_s);
    if (username.isEmpty() || password.isEmpty() || proxy.isEmpty())
        return std::nullopt;
    const Registrar server = registrar(proxy);
    if (server.host.isEmpty())
        return std::nullopt;

    const auto userid = reader.m_values.constFind(u"userid"_s);
    const QString authUser = userid != reader.m_values.cend() ? *userid : username;
    return SIPAccount{username, authUser, password, server.host, server.port, server.transport,
                      u"Ramal "_s + username, 600};
}

} // namespace vozel
