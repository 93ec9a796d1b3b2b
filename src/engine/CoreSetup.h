#pragma once

#include <linphone++/core.hh>
#include <linphone++/nat_policy.hh>

#include <QString>

#include <memory>

namespace vozel::sip {

// The application's own folder for the core: its databases and an empty plug-in folder.
QString defaultDataFolder();

// A core with no configuration file, ready to start on this desktop:
// - mediastreamer loads plug-ins from an empty folder, because the system's plug-ins include
//   one built on Qt 5 that aborts a Qt 6 process;
// - the main, call-log and ZRTP databases live in `dataFolder` (without them start() fails);
// - SIP and media bind random local ports, so another SIP program on the machine does not
//   break it, and neither does a second core in the same process.
// Throws when the stack cannot create the core.
std::shared_ptr<linphone::Core> createCore(const QString &dataFolder);

// TLS servers are trusted only when a certificate authority of `pemFile` signed their
// certificate for the name the account gives.
void trustCertificateAuthorities(linphone::Core &core, const QString &pemFile);

// How every call sounds and identifies itself.
void applyCallSettings(linphone::Core &core);

// ICE with the given STUN server ("host" or "host:port"), already made the core's policy.
// Throws when the core cannot create a policy.
std::shared_ptr<linphone::NatPolicy> applyNatPolicy(linphone::Core &core, const QString &stunServer);

} // namespace vozel::sip
