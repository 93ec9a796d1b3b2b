#include "system/RingTone.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

using namespace vozel;
using namespace Qt::StringLiterals;

namespace {

QString pactl(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LC_ALL"_s, u"C"_s);
    process.setProcessEnvironment(environment);
    process.start(u"pactl"_s, arguments);
    process.waitForFinished(5000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The names of the sinks that streams are playing on (not paused) right now.
QStringList sinksPlaying()
{
    QMap<QString, QString> names;
    for (const QString &line : pactl({u"list"_s, u"short"_s, u"sinks"_s}).split(u'\n', Qt::SkipEmptyParts))
        names.insert(line.section(u'\t', 0, 0), line.section(u'\t', 1, 1));
    static const QRegularExpression sink(u"\\n\\s*Sink: (\\d+)"_s);
    QStringList playing;
    for (const QString &input : pactl({u"list"_s, u"sink-inputs"_s}).split(u"Sink Input #"_s, Qt::SkipEmptyParts)) {
        if (input.contains(u"Corked: no"_s))
            playing << names.value(sink.match(input).captured(1));
    }
    return playing;
}

bool hasOutput(const QString &description)
{
    const auto outputs = QMediaDevices::audioOutputs();
    return std::any_of(outputs.cbegin(), outputs.cend(),
                       [&](const QAudioDevice &output) { return output.description() == description; });
}

} // namespace

class RingToneTest : public QObject {
    Q_OBJECT

private slots:
    void theShippedChimeLoopsUntilStopped()
    {
        if (QMediaDevices::audioOutputs().isEmpty())
            QSKIP("needs an audio output; tests/sandbox.sh provides a PulseAudio null sink");
        RingTone tone;
        tone.start();
        QVERIFY(tone.isRinging());
        QTRY_VERIFY(tone.isAudible());
        // The chime is two seconds long: still playing after it must have looped.
        QTest::qWait(2500);
        QVERIFY(tone.isAudible());

        tone.start(); // a second start while ringing changes nothing
        QVERIFY(tone.isAudible());

        tone.stop();
        QVERIFY(!tone.isRinging());
        QTRY_VERIFY(!tone.isAudible());
    }

    // A second sink beside the session's default one, as a USB headset is beside the speakers.
    void theChimeRingsOnTheChosenOutputOrElseTheDefault()
    {
        const QString module = pactl({u"load-module"_s, u"module-null-sink"_s, u"sink_name=vozel_speakers"_s,
                                      u"sink_properties='device.description=\"Alto-falantes\"'"_s});
        if (module.isEmpty())
            QSKIP("needs PulseAudio; run it under tests/sandbox.sh");
        const QString defaultSink = pactl({u"get-default-sink"_s});
        QVERIFY(defaultSink != "vozel_speakers"_L1);
        QTRY_VERIFY(hasOutput(u"Alto-falantes"_s));

        RingTone tone;
        tone.setOutputName(u"Alto-falantes"_s);
        tone.start();
        QTRY_COMPARE(sinksPlaying(), QStringList{u"vozel_speakers"_s});
        tone.stop();

        // The chosen device is gone by the next call: the default output rings.
        tone.setOutputName(u"Fone desconectado"_s);
        tone.start();
        QTRY_COMPARE(sinksPlaying(), QStringList{defaultSink});
        tone.stop();
        pactl({u"unload-module"_s, module});
    }
};

QTEST_MAIN(RingToneTest)
#include "RingToneTest.moc"
