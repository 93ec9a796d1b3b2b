#include "system/RingTone.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QProcess>
#include <QTest>

using namespace vozel;
using namespace Qt::StringLiterals;

namespace {

QStringList pactl(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment english = QProcessEnvironment::systemEnvironment();
    english.insert(u"LC_ALL"_s, u"C"_s);
    process.setProcessEnvironment(english);
    process.start(u"pactl"_s, arguments);
    process.waitForFinished(5000);
    return QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

// The names of the sinks this process's streams play on (other tests may be playing too).
QStringList sinksPlaying()
{
    QHash<QString, QString> names;
    for (const QString &sink : pactl({u"list"_s, u"short"_s, u"sinks"_s}))
        names.insert(sink.section(u'\t', 0, 0), sink.section(u'\t', 1, 1));
    const QString ours = u"application.process.id = \"%1\""_s.arg(QCoreApplication::applicationPid());
    QStringList playing;
    QString sink;
    for (const QString &line : pactl({u"list"_s, u"sink-inputs"_s})) {
        if (line.trimmed().startsWith(u"Sink:"_s))
            sink = line.section(u':', 1).trimmed();
        else if (line.trimmed() == ours)
            playing << names.value(sink);
    }
    return playing;
}

} // namespace

class RingToneTest : public QObject {
    Q_OBJECT

private slots:
    // A second sink beside the session's default one, as a USB headset beside the speakers.
    void theChimeLoopsOnTheChosenOutputOrElseTheDefault()
    {
        const QStringList module = pactl({u"load-module"_s, u"module-null-sink"_s, u"sink_name=vozel_speakers"_s,
                                          u"sink_properties='device.description=\"Alto-falantes\"'"_s});
        if (module.isEmpty())
            QSKIP("needs PulseAudio: tests/sandbox.sh runs one");
        const QStringList defaultSink = pactl({u"get-default-sink"_s});
        const auto listed = [] {
            const QList<QAudioDevice> outputs = QMediaDevices::audioOutputs();
            return std::any_of(outputs.cbegin(), outputs.cend(),
                               [](const QAudioDevice &output) { return output.description() == "Alto-falantes"_L1; });
        };
        QTRY_VERIFY(listed()); // Qt hears of the new sink a moment later
        RingTone tone;
        tone.setOutputName(u"Alto-falantes"_s);
        tone.start();
        QTRY_VERIFY(tone.isAudible());
        QTRY_COMPARE(sinksPlaying(), QStringList{u"vozel_speakers"_s});
        // The chime is two seconds long: still playing after it must have looped.
        QTest::qWait(2500);
        tone.start(); // a second start while ringing changes nothing
        QVERIFY(tone.isAudible());
        tone.stop();
        QVERIFY(!tone.isRinging());
        QTRY_VERIFY(!tone.isAudible());

        // The chosen device is gone by the next call: the default output rings.
        tone.setOutputName(u"Fone desconectado"_s);
        tone.start();
        QTRY_COMPARE(sinksPlaying(), defaultSink);
        tone.stop();
        pactl({u"unload-module"_s, module.value(0)});
    }
};

QTEST_MAIN(RingToneTest)
#include "RingToneTest.moc"
