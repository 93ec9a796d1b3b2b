#include "app/VozelApp.h"

#include "app/DialLink.h"
#include "buildsettings/BuildSettings.h"
#include "engine/PJSIPEngine.h"
#include "services/autostart/XdgAutostart.h"
#include "services/network/CallSourceClient.h"
#include "services/network/ProvisioningClient.h"
#include "services/storage/LibsecretItemStore.h"

#include <QCoroQml>
#include <QLibraryInfo>
#include <QLocale>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QtQml/qqmlextensionplugin.h>

#include <cstdio>

Q_IMPORT_QML_PLUGIN(Vozel_UiPlugin)
Q_IMPORT_QML_PLUGIN(Vozel_SystemPlugin)

namespace vozel {

using namespace Qt::StringLiterals;

namespace {

ModelDependencies productionServices(std::unique_ptr<DesktopCallManager> alerts)
{
    return {
        std::make_unique<PJSIPEngine>(),
        std::move(alerts),
        std::make_unique<LibsecretItemStore>(),
        std::make_unique<DefaultsStore>(),
        std::make_unique<ProvisioningClient>(),
        std::make_unique<CallSourceClient>(),
        std::make_unique<XdgAutostart>(XdgAutostart::forCurrentUser()),
    };
}

// The system's certificate authorities, read at once. Debian's single-file bundle holds every
// certificate of the directory Qt reads, which holds each one twice (the bundle and a file per
// authority): reading the bundle alone takes half the time.
QList<QSslCertificate> systemCertificateAuthorities()
{
    const QList<QSslCertificate> bundle = QSslCertificate::fromPath(u"/etc/ssl/certs/ca-certificates.crt"_s);
    return bundle.isEmpty() ? QSslConfiguration::systemCaCertificates() : bundle;
}

// A build made for a private test PBX (the demo's) also trusts that PBX's own certificate
// authority, for provisioning and the caller-origin lookup; real builds trust the system's only.
void trustBuildCertificateAuthorities()
{
    const QString extra = build::extraCaCertificates();
    if (extra.isEmpty())
        return;
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setCaCertificates(systemCertificateAuthorities() + QSslCertificate::fromPath(extra));
    QSslConfiguration::setDefaultConfiguration(tls);
}

// The views are flat shapes and text: Qt Quick's software renderer draws them as they look with
// the GPU, at half the resident memory (no graphics driver loaded) and with less start-up work.
// Qt's own variables still choose another renderer.
void chooseQuickRenderer()
{
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND") && qEnvironmentVariableIsEmpty("QSG_RHI_BACKEND"))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

} // namespace

VozelApp::VozelApp(QApplication &app) : m_app(app)
{
    app.setApplicationName(u"Vozel"_s);
    app.setApplicationVersion(QStringLiteral(VOZEL_VERSION));
    app.setDesktopFileName(u"br.com.vozel.Vozel"_s);
    app.setQuitOnLastWindowClosed(false);
    trustBuildCertificateAuthorities();
    chooseQuickRenderer();
    // Dates, numbers and Qt's own messages (network errors among them) in Brazilian Portuguese.
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    if (m_qtTranslator.load(QLocale(), u"qtbase"_s, u"_"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&m_qtTranslator);
}

int VozelApp::exec()
{
    // Before any SIP stack exists: a second Vozel hands over to the first and leaves.
    if (!m_instance.claim()) {
        if (m_instance.handOver(m_app.arguments().mid(1)))
            return 0;
        std::fputs("O Vozel já está aberto, mas não respondeu. Feche-o e tente novamente.\n", stderr);
        return 1;
    }
    QCoro::Qml::registerTypes();
    auto alerts = std::make_unique<DesktopCallManager>();
    m_alerts = alerts.get();
    m_model = std::make_unique<VozelModel>(productionServices(std::move(alerts)));
    if (!showDialer())
        return 1;
    takeArguments(m_app.arguments().mid(1));
    QObject::connect(&m_instance, &SingleInstance::activationRequested, &m_app,
                     [this](const QStringList &arguments) {
                         m_keeper->present();
                         takeArguments(arguments);
                     });
    return m_app.exec();
}

bool VozelApp::showDialer()
{
    m_qml = std::make_unique<QQmlApplicationEngine>();
    m_qml->addImportPath(u"qrc:/"_s);
    m_qml->setInitialProperties({{u"vozel"_s, QVariant::fromValue(m_model.get())}});
    m_qml->load(QUrl(u"qrc:/Vozel/Ui/Main.qml"_s));
    auto *dialer = qobject_cast<QWindow *>(m_qml->rootObjects().value(0));
    if (!dialer)
        return false;
    m_alerts->setDialerWindow(dialer);
    m_keeper = std::make_unique<DialerWindowKeeper>(*dialer);
    m_tray = std::make_unique<TrayIcon>();
    QObject::connect(m_tray.get(), &TrayIcon::openRequested, m_keeper.get(), &DialerWindowKeeper::present);
    QObject::connect(m_tray.get(), &TrayIcon::quitRequested, &m_app, &QCoreApplication::quit);
    return true;
}

void VozelApp::takeArguments(const QStringList &arguments)
{
    if (const auto number = numberFromArguments(arguments); number && m_model->callState().isIdle())
        m_model->setNumber(*number);
}

} // namespace vozel
