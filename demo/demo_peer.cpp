// A colleague's phone for the demo PBX. Reads commands on its standard input, one per line:
//   ligar [número]   calls that number (an empty line calls the --call-target)
//   desligar         ends every call
//   sair             quits
// and prints one line per event, e.g. "[2002] DTMF recebido de 2001: 5".

#include "DemoPeer.h"
#include "DemoPlan.h"
#include "model/domain/Failure.h"

#include <linphone++/logging_service.hh>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <chrono>
#include <cstdio>
#include <unistd.h>

using namespace vozel::demo;
using namespace Qt::StringLiterals;

namespace {

// Reads the standard input line by line without blocking the event loop.
class CommandReader : public QObject {
public:
    explicit CommandReader(std::function<void(const QString &)> onLine)
        : m_notifier(STDIN_FILENO, QSocketNotifier::Read), m_onLine(std::move(onLine))
    {
        connect(&m_notifier, &QSocketNotifier::activated, this, [this] { read(); });
    }

private:
    void read()
    {
        char chunk[512];
        const ssize_t size = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (size <= 0) {
            // End of input: the peer goes on answering calls.
            m_notifier.setEnabled(false);
            return;
        }
        m_pending.append(chunk, size);
        for (qsizetype end = m_pending.indexOf('\n'); end >= 0; end = m_pending.indexOf('\n')) {
            m_onLine(QString::fromUtf8(m_pending.left(end)).trimmed());
            m_pending.remove(0, end + 1);
        }
    }

    QSocketNotifier m_notifier;
    std::function<void(const QString &)> m_onLine;
    QByteArray m_pending;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser options;
    options.setApplicationDescription(u"Telefone de um colega no PABX da demonstração do Vozel"_s);
    options.addHelpOption();
    options.addOptions({
        {u"plan"_s, u"Plano da demonstração (JSON)."_s, u"arquivo"_s},
        {u"extension"_s, u"Ramal deste telefone."_s, u"ramal"_s},
        {u"registrar"_s, u"PABX, como host:porta (UDP)."_s, u"endereço"_s},
        {u"call-target"_s, u"Número chamado por uma linha vazia."_s, u"número"_s, u"2001"_s},
        {u"answer-after-ms"_s, u"Tempo de toque antes de atender."_s, u"ms"_s, u"1000"_s},
        {u"timestamps"_s, u"Acrescenta a cada linha o relógio monotônico, em segundos."_s},
    });
    options.process(app);

    DemoPlan plan;
    try {
        plan = DemoPlan::read(options.value(u"plan"_s));
    } catch (const vozel::Failure &failure) {
        std::fprintf(stderr, "Plano da demonstração ilegível: %s\n", failure.what());
        return 2;
    }
    const DemoExtension *extension = plan.extension(options.value(u"extension"_s));
    if (!extension || !options.value(u"registrar"_s).contains(u':')) {
        std::fputs("Informe --extension (um ramal do plano) e --registrar host:porta.\n", stderr);
        return 2;
    }

    const bool timestamps = options.isSet(u"timestamps"_s);
    const QString tag = extension->number;
    const auto say = [tag, timestamps](const QString &line) {
        QString text = u"[%1] %2"_s.arg(tag, line);
        if (timestamps) {
            const auto now = std::chrono::steady_clock::now().time_since_epoch();
            text += u" (t=%1)"_s.arg(std::chrono::duration<double>(now).count(), 0, 'f', 6);
        }
        std::fprintf(stdout, "%s\n", qPrintable(text));
        std::fflush(stdout);
    };

    linphone::LoggingService::get()->setLogLevel(linphone::LogLevel::Fatal);
    PeerSettings settings{extension->number, extension->password, extension->name, options.value(u"registrar"_s),
                          options.value(u"answer-after-ms"_s).toInt()};
    DemoPeer peer(settings, say);
    const QString callTarget = options.value(u"call-target"_s);
    CommandReader commands([&](const QString &line) {
        if (line.isEmpty() || line == "ligar"_L1)
            peer.dial(callTarget);
        else if (line.startsWith("ligar "_L1))
            peer.dial(line.mid(6).trimmed());
        else if (line == "desligar"_L1)
            peer.hangUp();
        else if (line == "sair"_L1)
            app.quit();
        else
            say(u"comando desconhecido: "_s + line);
    });
    return app.exec();
}
