#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QUuid>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

// One launch of the probe program; stopped by its pid when the test is done.
class Launch {
public:
    Launch(const QString &name, QStringList arguments, int timeoutMs = 5000)
    {
        process.setProgram(QStringLiteral(INSTANCE_PROBE));
        process.setArguments(QStringList{name, QString::number(timeoutMs)} + arguments);
        process.start();
    }
    ~Launch()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(3000);
        }
    }

    bool waitForLine(const QByteArray &line, int timeoutMs = 5000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!output.contains(line + '\n')) {
            if (deadline.hasExpired() || !process.waitForReadyRead(int(deadline.remainingTime())))
                return false;
            output += process.readAllStandardOutput();
        }
        return true;
    }

    // The exit code, or -1 when it did not finish in time.
    int exitCode(int timeoutMs = 8000)
    {
        if (process.state() != QProcess::NotRunning && !process.waitForFinished(timeoutMs))
            return -1;
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QProcess process;
    QByteArray output;
};

QString uniqueName()
{
    return u"vozel-test-"_s + QUuid::createUuid().toString(QUuid::Id128).left(12);
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

private slots:
    void aSecondLaunchHandsItsArgumentsToTheFirstAndExits()
    {
        const QString name = uniqueName();
        Launch first(name, {});
        QVERIFY(first.waitForLine("primary"));

        Launch second(name, {u"tel:+55 11 4000-1234"_s, u"--x"_s});
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(!second.process.readAllStandardOutput().contains("primary"));
        QVERIFY(first.waitForLine("activated tel:+55 11 4000-1234|--x"));

        Launch third(name, {});
        QCOMPARE(third.exitCode(), 0);
        QVERIFY(first.waitForLine("activated "));
        QCOMPARE(first.process.state(), QProcess::Running);
    }

    void simultaneousLaunchesLeaveExactlyOneInstance()
    {
        const QString name = uniqueName();
        std::vector<std::unique_ptr<Launch>> launches;
        for (int i = 0; i < 4; ++i)
            launches.push_back(std::make_unique<Launch>(name, QStringList{QString::number(i)}));
        QTest::qWait(1500);
        int primaries = 0;
        int handedOver = 0;
        for (auto &launch : launches) {
            launch->output += launch->process.readAllStandardOutput();
            if (launch->output.startsWith("primary"))
                ++primaries;
            else if (launch->exitCode() == 0)
                ++handedOver;
        }
        QCOMPARE(primaries, 1);
        QCOMPARE(handedOver, 3);
    }

    void aCrashedInstanceIsReplaced()
    {
        const QString name = uniqueName();
        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        {
            Launch crashed(name, {});
            QVERIFY(crashed.waitForLine("primary"));
            ::kill(pid_t(crashed.process.processId()), SIGKILL);
            crashed.process.waitForFinished(3000);
        }
        // What the crash left behind.
        QVERIFY(QFile::exists(runtime + u'/' + name + u".socket"_s));
        QVERIFY(QFile::exists(runtime + u'/' + name + u".lock"_s));

        Launch next(name, {});
        QVERIFY(next.waitForLine("primary"));
        Launch later(name, {u"sip:2003@pbx"_s});
        QCOMPARE(later.exitCode(), 0);
        QVERIFY(next.waitForLine("activated sip:2003@pbx"));
    }

    void aHungInstanceMakesTheLaunchGiveUpInTime()
    {
        const QString name = uniqueName();
        Launch hung(name, {u"hold"_s});
        QVERIFY(hung.waitForLine("primary"));
        QElapsedTimer timer;
        timer.start();
        Launch second(name, {}, 1000);
        QCOMPARE(second.exitCode(), 1);
        QVERIFY2(timer.elapsed() < 4000, qPrintable(QString::number(timer.elapsed())));
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
