#include "engine/CoreSetup.h"

#include "engine/EngineErrors.h"

#include <linphone++/config.hh>
#include <linphone++/factory.hh>
#include <linphone++/transports.hh>

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace vozel::sip {

using namespace Qt::StringLiterals;

namespace {

constexpr int randomPort = -1;

std::string inFolder(const QString &folder, const QString &name)
{
    return QFile::encodeName(folder + u'/' + name).toStdString();
}

void makePrivateFolder(const QString &path)
{
    QDir().mkpath(path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

QString defaultDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + u"/sip"_s;
}

std::shared_ptr<linphone::Core> createCore(const QString &dataFolder)
{
    const QString plugins = dataFolder + u"/media-plugins"_s;
    makePrivateFolder(dataFolder);
    makePrivateFolder(plugins);

    const auto factory = linphone::Factory::get();
    factory->setMspluginsDir(QFile::encodeName(plugins).toStdString());
    const auto core = factory->createCore("", "", nullptr);
    if (!core)
        throw coreNotCreated();

    core->getConfig()->setString("storage", "uri", inFolder(dataFolder, u"core.db"_s));
    core->setCallLogsDatabasePath(inFolder(dataFolder, u"call-logs.db"_s));
    core->setZrtpSecretsFile(inFolder(dataFolder, u"zrtp-secrets.db"_s));

    const auto transports = core->getTransports();
    transports->setUdpPort(randomPort);
    transports->setTcpPort(randomPort);
    transports->setTlsPort(randomPort);
    core->setTransports(transports);
    core->setAudioPort(randomPort);
    core->setVideoPort(randomPort);
    core->setTextPort(randomPort);
    return core;
}

void trustCertificateAuthorities(linphone::Core &core, const QString &pemFile)
{
    core.setRootCa(QFile::encodeName(pemFile).toStdString());
    core.verifyServerCertificates(true);
    core.verifyServerCn(true);
}

void applyCallSettings(linphone::Core &core)
{
    core.enableIpv6(false);
    core.setUseRfc2833ForDtmf(true);
    core.setUseInfoForDtmf(false);
    core.setUserAgent("Vozel Zarko", "0.1.3 (Linphone 5.4.68)");
    core.enableAudioAdaptiveJittcomp(true);
    core.setAudioJittcomp(80);
    core.setPlaybackGainDb(0);
    // The application rings with its own chime on the chosen ringer; a second ring from the stack would double it.
    core.setRing("");
    // Audio calls only. With video on, the stack prepares a video stream for every call whose
    // thread goes on running after the call has ended: one more thread, and its wake-ups, per call.
    core.enableVideoCapture(false);
    core.enableVideoDisplay(false);
}

std::shared_ptr<linphone::NatPolicy> applyNatPolicy(linphone::Core &core, const QString &stunServer)
{
    const auto policy = core.createNatPolicy();
    if (!policy)
        throw natPolicyNotCreated();
    policy->setStunServer(stunServer.toStdString());
    policy->enableStun(true);
    policy->enableIce(true);
    core.setNatPolicy(policy);
    return policy;
}

} // namespace vozel::sip
