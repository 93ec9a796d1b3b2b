#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace vozel::test {

// Drives the session's Secret Service over D-Bus, beside the code under test, the way the
// desktop's keyring tools do. A failed call answers with an empty reply and prints its error.
class SecretServiceControl {
public:
    struct PlainSecret {
        QDBusObjectPath session;
        QByteArray parameters, value;
        QString contentType;
    };
    using Attributes = QMap<QString, QString>;

    SecretServiceControl()
    {
        qDBusRegisterMetaType<PlainSecret>();
        qDBusRegisterMetaType<Attributes>();
    }

    QString defaultCollection()
    {
        const auto reply = call(servicePath, "Service", "ReadAlias", {QStringLiteral("default")});
        return reply.value(0).value<QDBusObjectPath>().path();
    }

    bool isLocked(const QString &collection)
    {
        const auto reply = call(collection, nullptr, "Get", {prefix + QStringLiteral("Collection"),
                                QStringLiteral("Locked")}, QStringLiteral("org.freedesktop.DBus.Properties"));
        return reply.value(0).value<QDBusVariant>().variant().toBool();
    }

    void lock(const QString &collection)
    {
        const QList<QDBusObjectPath> objects{QDBusObjectPath(collection)};
        call(servicePath, "Service", "Lock", {QVariant::fromValue(objects)});
    }

    // With the keyring's password, and without the prompt a desktop would show.
    void unlock(const QString &collection, const QByteArray &password)
    {
        const auto session = call(servicePath, "Service", "OpenSession",
                                  {QStringLiteral("plain"), QVariant::fromValue(QDBusVariant(QString()))});
        const PlainSecret secret{session.value(1).value<QDBusObjectPath>(), {}, password,
                                 QStringLiteral("text/plain")};
        call(servicePath, nullptr, "UnlockWithMasterPassword",
             {QVariant::fromValue(QDBusObjectPath(collection)), QVariant::fromValue(secret)},
             QStringLiteral("org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface"));
    }

    // The object paths of the collection's items that carry both attributes.
    QStringList itemsWith(const QString &collection, const QString &service, const QString &account)
    {
        const Attributes attributes{{QStringLiteral("service"), service}, {QStringLiteral("account"), account}};
        QList<QDBusObjectPath> found;
        const auto reply = call(collection, "Collection", "SearchItems", {QVariant::fromValue(attributes)});
        reply.value(0).value<QDBusArgument>() >> found;
        QStringList paths;
        for (const auto &path : found)
            paths.append(path.path());
        return paths;
    }

private:
    inline static const QString servicePath = QStringLiteral("/org/freedesktop/secrets");
    inline static const QString prefix = QStringLiteral("org.freedesktop.Secret.");

    QVariantList call(const QString &path, const char *interface, const char *method, const QVariantList &arguments,
                      const QString &fullInterface = {})
    {
        auto message = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.secrets"), path,
                                                      interface ? prefix + QLatin1String(interface) : fullInterface,
                                                      QLatin1String(method));
        message.setArguments(arguments);
        const auto reply = QDBusConnection::sessionBus().call(message, QDBus::Block, 5000);
        if (reply.type() == QDBusMessage::ErrorMessage)
            qWarning() << method << reply.errorName() << reply.errorMessage();
        return reply.arguments();
    }
};

inline QDBusArgument &operator<<(QDBusArgument &argument, const SecretServiceControl::PlainSecret &secret)
{
    argument.beginStructure();
    argument << secret.session << secret.parameters << secret.value << secret.contentType;
    argument.endStructure();
    return argument;
}

inline const QDBusArgument &operator>>(const QDBusArgument &argument, SecretServiceControl::PlainSecret &secret)
{
    argument.beginStructure();
    argument >> secret.session >> secret.parameters >> secret.value >> secret.contentType;
    argument.endStructure();
    return argument;
}

} // namespace vozel::test
