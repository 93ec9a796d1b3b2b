#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QUuid>

#include <csignal>

using namespace Qt::StringLiterals;

// One launch of the probe program, killed when the test is done.
struct Launch {
    Launch(const QString &name, const QStringList &arguments, int timeoutMs = 5000)
    {
        process.start(QStringLiteral(INSTANCE_PROBE), QStringList{name, QString::number(timeoutMs)} + arguments);
    }
    ~Launch()
    {
        process.kill();
        process.waitForFinished(3000);
    }

    bool waitForLine(const QByteArray &line)
    {
        QDeadlineTimer deadline(5000);
        while (!output.contains(line + '\n')) {
            if (!process.waitForReadyRead(int(deadline.remainingTime())))
                return false;
            output += process.readAllStandardOutput();
        }
        return true;
    }

    // The exit code, or -1 when it did not finish in time.
    int exitCode()
    {
        process.waitForFinished(8000);
        return process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit
                   ? process.exitCode() : -1;
    }

    QProcess process;
    QByteArray output;
};

QString uniqueName()
{
    return u"vozel-test-"_s + QUuid::createUuid().toString(QUuid::Id128).left(12);
}

class SingleInstanceTest : public QObject {
    Q_OBJECT

private slots:
    void aLaterLaunchHandsItsArgumentsToTheRunningOne()
    {
        const QString name = uniqueName();
        {
            Launch crashed(name, {});
            QVERIFY(crashed.waitForLine("primary"));
            ::kill(pid_t(crashed.process.processId()), SIGKILL);
            crashed.process.waitForFinished(3000);
        }
        // The crash left its socket and lock behind; the next launch replaces it.
        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + u'/' + name;
        QVERIFY(QFile::exists(runtime + u".socket"_s) && QFile::exists(runtime + u".lock"_s));
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
        QStringList outcomes; // "primary", or the exit code of a hand-over
        for (auto &launch : launches) {
            const bool primary = launch->process.readAllStandardOutput().startsWith("primary");
            outcomes << (primary ? u"primary"_s : QString::number(launch->exitCode()));
        }
        outcomes.sort();
        QCOMPARE(outcomes, (QStringList{u"0"_s, u"0"_s, u"0"_s, u"primary"_s}));
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
