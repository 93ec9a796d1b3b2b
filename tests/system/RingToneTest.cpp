#include "system/RingTone.h"

#include <QAudioDevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMediaDevices>
#include <QProcess>
#include <QTest>

using namespace vozel;
using namespace Qt::StringLiterals;

QByteArray pactl(const QStringList &arguments)
{
    QProcess process;
    process.start(u"pactl"_s, arguments);
    process.waitForFinished(5000);
    return process.readAllStandardOutput().trimmed();
}

// The names of the sinks this process's streams play on (other tests may be playing too).
QStringList sinksPlaying()
{
    const auto list = [](const QString &what) {
        return QJsonDocument::fromJson(pactl({u"--format=json"_s, u"list"_s, what})).array();
    };
    QHash<int, QString> names;
    for (const QJsonValue &sink : list(u"sinks"_s))
        names.insert(sink["index"_L1].toInt(), sink["name"_L1].toString());
    QStringList playing;
    for (const QJsonValue &input : list(u"sink-inputs"_s)) {
        if (input["properties"_L1]["application.process.id"_L1] == QString::number(QCoreApplication::applicationPid()))
            playing << names.value(input["sink"_L1].toInt());
    }
    return playing;
}

class RingToneTest : public QObject {
    Q_OBJECT

private slots:
    // A second sink beside the session's default one, as a USB headset beside the speakers.
    void theChimeLoopsOnTheChosenOutputOrElseTheDefault()
    {
        const QByteArray module = pactl({u"load-module"_s, u"module-null-sink"_s, u"sink_name=vozel_speakers"_s,
                                         u"sink_properties='device.description=\"Alto-falantes\"'"_s});
        QVERIFY2(!module.isEmpty(), "needs PulseAudio: tests/sandbox.sh runs one");
        QTRY_VERIFY(std::ranges::any_of(QMediaDevices::audioOutputs(), [](const QAudioDevice &output) {
            return output.description() == "Alto-falantes"_L1; // Qt hears of the new sink a moment later
        }));
        RingTone tone;
        tone.setOutputName(u"Alto-falantes"_s);
        tone.start();
        QTRY_VERIFY(tone.isAudible());
        QTRY_COMPARE(sinksPlaying(), QStringList{u"vozel_speakers"_s});
        QTest::qWait(2500); // the chime is two seconds long: still playing after it must have looped
        QVERIFY(tone.isAudible());
        tone.stop();
        QVERIFY(!tone.isRinging());
        QTRY_VERIFY(!tone.isAudible());

        // The chosen device is gone by the next call: the default output rings.
        tone.setOutputName(u"Fone desconectado"_s);
        tone.start();
        QTRY_COMPARE(sinksPlaying(), QStringList{QString::fromUtf8(pactl({u"get-default-sink"_s}))});
        tone.stop();
        pactl({u"unload-module"_s, QString::fromUtf8(module)});
    }
};

QTEST_MAIN(RingToneTest)
#include "RingToneTest.moc"
