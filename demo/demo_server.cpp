// The demo's operator server: provisioning links and the caller-origin lookup over HTTPS.
//   vozel-demo-server --plan demo-pbx.json --port 47443 --sip-port 47060
//                     --certificate server-chain.pem --key server.key

#include "DemoHttpsServer.h"
#include "model/domain/Failure.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

using namespace vozel::demo;
using namespace Qt::StringLiterals;

namespace {

void say(const QString &line)
{
    std::fprintf(stdout, "[servidor] %s\n", qPrintable(line));
    std::fflush(stdout);
}

quint16 portOption(const QCommandLineParser &options, const QString &name)
{
    bool ok = false;
    const uint port = options.value(name).toUInt(&ok);
    return ok && port > 0 && port < 65536 ? quint16(port) : 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser options;
    options.setApplicationDescription(u"Servidor HTTPS da demonstração do Vozel"_s);
    options.addHelpOption();
    options.addOptions({
        {u"plan"_s, u"Plano da demonstração (JSON)."_s, u"arquivo"_s},
        {u"port"_s, u"Porta HTTPS em 127.0.0.1."_s, u"porta"_s},
        {u"sip-port"_s, u"Porta do PABX em 127.0.0.1."_s, u"porta"_s},
        {u"certificate"_s, u"Certificado do servidor seguido da autoridade (PEM)."_s, u"arquivo"_s},
        {u"key"_s, u"Chave privada do servidor (PEM)."_s, u"arquivo"_s},
    });
    options.process(app);

    const quint16 port = portOption(options, u"port"_s);
    const quint16 sipPort = portOption(options, u"sip-port"_s);
    if (!port || !sipPort) {
        std::fputs("Informe --port e --sip-port válidas.\n", stderr);
        return 2;
    }
    DemoPlan plan;
    try {
        plan = DemoPlan::read(options.value(u"plan"_s));
    } catch (const vozel::Failure &failure) {
        std::fprintf(stderr, "Plano da demonstração ilegível: %s\n", failure.what());
        return 2;
    }

    DemoHttpsServer server(DemoAnswers(plan, sipPort), options.value(u"certificate"_s), options.value(u"key"_s));
    server.onNote = say;
    if (!server.listen(port)) {
        std::fprintf(stderr, "O servidor HTTPS não abriu a porta %u: %s\n", port, qPrintable(server.errorString()));
        return 1;
    }
    say(u"ouvindo em https://127.0.0.1:%1"_s.arg(port));
    return app.exec();
}
