#include "system/SingleInstance.h"

#include <QProcess>
#include <QTest>
#include <QUuid>

#include <csignal>
#include <cstdio>

using namespace vozel;
using namespace Qt::StringLiterals;

// A Vozel launch, run by the test's own program. As the running instance it prints "primary", then
// "activated <arguments joined by |>" per later launch; otherwise it hands its arguments over and
// exits with 0 when the running instance took them, else 1.
int probe(QStringList arguments)
{
    const QString name = arguments.takeFirst();
    const int timeoutMs = arguments.takeFirst().toInt();
    SingleInstance instance(name);
    if (!instance.claim())
        return instance.handOver(arguments, timeoutMs) ? 0 : 1;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("primary\n");
    QObject::connect(&instance, &SingleInstance::activationRequested, [](const QStringList &received) {
        std::printf("activated %s\n", qPrintable(received.join(u'|')));
    });
    return QCoreApplication::exec();
}

// One launch; killed, if still running, when the test is done.
struct Launch : QProcess {
    Launch(const QString &name, const QStringList &arguments, int timeoutMs = 5000)
    {
        start(QCoreApplication::applicationFilePath(),
              QStringList{u"--probe"_s, name, QString::number(timeoutMs)} + arguments);
    }
    bool printedLine(const QByteArray &line)
    {
        printed += readAllStandardOutput();
        return printed.contains(line + '\n');
    }
    // The exit code, or -1 when it did not finish in time.
    int result()
    {
        return (state() == NotRunning || waitForFinished(8000)) && exitStatus() == NormalExit ? exitCode() : -1;
    }
    QByteArray printed;
};

class SingleInstanceTest : public QObject {
    Q_OBJECT

private slots:
    void launchesShareOneRunningInstance()
    {
        const QString name = QUuid::createUuid().toString(QUuid::Id128);
        {
            // Launched at once, as a double click can: one becomes the instance, the rest hand over.
            std::vector<std::unique_ptr<Launch>> launches;
            for (int i = 0; i < 4; ++i)
                launches.push_back(std::make_unique<Launch>(name, QStringList{QString::number(i)}));
            QTest::qWait(1500);
            QStringList outcomes; // "primary", or the exit code of a hand-over
            for (auto &launch : launches)
                outcomes << (launch->printedLine("primary") ? u"primary"_s : QString::number(launch->result()));
            outcomes.sort();
            QCOMPARE(outcomes, (QStringList{u"0"_s, u"0"_s, u"0"_s, u"primary"_s}));
        } // killed on leaving: the instance crashes, leaving its socket and lock behind
        Launch first(name, {}); // replaces it
        QTRY_VERIFY(first.printedLine("primary"));

        Launch second(name, {u"tel:+55 11 4000-1234"_s, u"--x"_s});
        QCOMPARE(second.result(), 0);
        QTRY_VERIFY(first.printedLine("activated tel:+55 11 4000-1234|--x"));

        // The running instance hangs: a launch gives up in time.
        ::kill(pid_t(first.processId()), SIGSTOP);
        QElapsedTimer timer;
        timer.start();
        Launch third(name, {}, 1000);
        QCOMPARE(third.result(), 1);
        QVERIFY2(timer.elapsed() < 4000, qPrintable(QString::number(timer.elapsed())));
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (app.arguments().value(1) == "--probe"_L1)
        return probe(app.arguments().mid(2));
    SingleInstanceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SingleInstanceTest.moc"
