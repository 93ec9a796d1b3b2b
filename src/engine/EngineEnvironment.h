#pragma once

#include <QDBusConnection>
#include <QString>

namespace vozel {

// What the SIP engine takes from its surroundings. standard() gives the real ones; tests give a
// STUN server on loopback, a bus of their own and a scratch folder.
struct EngineEnvironment {
    // "host" or "host:port" of the STUN server ICE asks for the public address.
    QString stunServer;
    // Where logind announces suspend and resume.
    QDBusConnection systemBus;
    // Where the core keeps its databases.
    QString dataFolder;
    // The certificate authorities (one PEM file) that vouch for a TLS registrar.
    QString trustedCertificates;

    // The system's store, where update-ca-certificates also puts a company's own CA. Nothing
    // at run time chooses another file: only tests construct an environment of their own.
    static EngineEnvironment standard();
};

} // namespace vozel
