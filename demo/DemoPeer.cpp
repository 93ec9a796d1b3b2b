#include "DemoPeer.h"

#include "engine/CoreSetup.h"

#include <linphone++/account.hh>
#include <linphone++/account_params.hh>
#include <linphone++/address.hh>
#include <linphone++/auth_info.hh>
#include <linphone++/call.hh>
#include <linphone++/core.hh>
#include <linphone++/core_listener.hh>
#include <linphone++/factory.hh>

namespace vozel::demo {

using namespace Qt::StringLiterals;
using CallState = linphone::Call::State;

namespace {

QString remoteOf(const std::shared_ptr<linphone::Call> &call)
{
    const auto address = call->getRemoteAddress();
    return address ? QString::fromStdString(address->getUsername()) : u"?"_s;
}

} // namespace

class DemoPeer::Listener final : public linphone::CoreListener {
public:
    explicit Listener(DemoPeer &peer) : m_peer(peer) {}

    void onAccountRegistrationStateChanged(const std::shared_ptr<linphone::Core> &,
                                           const std::shared_ptr<linphone::Account> &,
                                           linphone::RegistrationState state, const std::string &message) override
    {
        if (state == linphone::RegistrationState::Ok)
            m_peer.m_say(u"registrado no PABX"_s);
        else if (state == linphone::RegistrationState::Failed)
            m_peer.m_say(u"registro falhou: "_s + QString::fromStdString(message));
    }

    void onCallStateChanged(const std::shared_ptr<linphone::Core> &, const std::shared_ptr<linphone::Call> &call,
                            CallState state, const std::string &message) override
    {
        m_peer.onCallState(call, int(state), message);
    }

    void onDtmfReceived(const std::shared_ptr<linphone::Core> &, const std::shared_ptr<linphone::Call> &call,
                        int dtmf) override
    {
        m_peer.m_say(u"DTMF recebido de %1: %2"_s.arg(remoteOf(call), QChar(dtmf)));
    }

private:
    DemoPeer &m_peer;
};

DemoPeer::DemoPeer(PeerSettings settings, std::function<void(const QString &)> say, QObject *parent)
    : QObject(parent), m_settings(std::move(settings)), m_say(std::move(say))
{
    m_core = sip::createCore(m_folder.path());
    m_core->enableIpv6(false);
    m_core->setUseRfc2833ForDtmf(true);
    m_core->setUseInfoForDtmf(false);
    m_core->setUserAgent("Vozel demo peer", "1");
    // A demo phone must not take the desktop's microphone or ring through its speakers.
    m_core->setUseFiles(true);
    m_core->setRing("");
    m_core->setRingback("");
    // Nor open video windows: the demo is about voice.
    m_core->enableVideoCapture(false);
    m_core->enableVideoDisplay(false);
    m_listener = std::make_shared<Listener>(*this);
    m_core->addListener(m_listener);
    m_core->start();

    const auto factory = linphone::Factory::get();
    const std::string user = m_settings.extension.toStdString();
    m_core->addAuthInfo(factory->createAuthInfo(user, user, m_settings.password.toStdString(), "", "", ""));
    const QString host = m_settings.registrar.section(u':', 0, 0);
    const auto identity = factory->createAddress(("sip:"_L1 + m_settings.extension + u'@' + host).toStdString());
    identity->setDisplayName(m_settings.displayName.toStdString());
    const auto params = m_core->createAccountParams();
    params->setIdentityAddress(identity);
    params->setServerAddress(factory->createAddress(("sip:"_L1 + m_settings.registrar + ";transport=udp"_L1).toStdString()));
    params->enableRegister(true);
    params->setExpires(600);
    const auto account = m_core->createAccount(params);
    m_core->addAccount(account);
    m_core->setDefaultAccount(account);

    m_iterate.setInterval(10);
    connect(&m_iterate, &QTimer::timeout, this, [this] { m_core->iterate(); });
    m_iterate.start();
}

DemoPeer::~DemoPeer()
{
    m_iterate.stop();
    m_core->removeListener(m_listener);
    m_core->terminateAllCalls();
    m_core->stop();
}

void DemoPeer::dial(const QString &number)
{
    const QString host = m_settings.registrar.section(u':', 0, 0);
    if (!m_core->invite(("sip:"_L1 + number + u'@' + host).toStdString()))
        m_say(u"não foi possível ligar para "_s + number);
}

void DemoPeer::hangUp()
{
    if (m_core->getCallsNb() == 0) {
        m_say(u"nenhuma ligação para encerrar"_s);
        return;
    }
    m_core->terminateAllCalls();
}

void DemoPeer::onCallState(const std::shared_ptr<linphone::Call> &call, int state, const std::string &message)
{
    const QString remote = remoteOf(call);
    switch (CallState(state)) {
    case CallState::IncomingReceived:
        m_say(u"chamada recebida de "_s + remote);
        // Answered after a ring, unless the call has gone or been taken over meanwhile.
        QTimer::singleShot(m_settings.answerAfterMs, this, [call] {
            if (call->getState() == CallState::IncomingReceived)
                call->accept();
        });
        break;
    case CallState::OutgoingInit:
        m_say(u"chamando "_s + remote);
        break;
    case CallState::Connected:
        m_say(u"em ligação com "_s + remote);
        break;
    case CallState::PausedByRemote:
        m_say(u"posto em espera por "_s + remote);
        break;
    case CallState::Referred:
        m_say(u"transferido por %1 para %2"_s.arg(remote, QString::fromStdString(call->getReferTo())));
        break;
    case CallState::End:
        m_say(u"ligação com %1 encerrada"_s.arg(remote));
        break;
    case CallState::Error:
        m_say(u"ligação com %1 falhou: %2"_s.arg(remote, QString::fromStdString(message)));
        break;
    default:
        break;
    }
}

} // namespace vozel::demo
