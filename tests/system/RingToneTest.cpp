#include "SandboxPulse.h"
#include "system/RingTone.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QTest>

using namespace vozel;
using namespace vozel::test;
using namespace Qt::StringLiterals;

class RingToneTest : public QObject {
    Q_OBJECT

    static bool playingOn(const QString &sink)
    {
        const QStringList playing = SandboxPulse::playingSinks().split(u'\n');
        return playing.size() == 1 && playing[0].section(u'\t', 1, 1) == sink;
    }

private slots:
    // Two outputs, as a USB headset beside the speakers.
    void theChimeLoopsOnTheChosenOutputOrElseTheDefault()
    {
        QVERIFY2(SandboxPulse::isTheSandboxs(), "run inside tests/sandbox.sh");
        SandboxPulse pulse;
        QVERIFY(pulse.plug(u"sink"_s, u"vozel_default"_s, u"Fone USB"_s) > 0);
        QVERIFY(pulse.plug(u"sink"_s, u"vozel_speakers"_s, u"Alto-falantes"_s) > 0);
        SandboxPulse::pactl({u"set-default-sink"_s, u"vozel_default"_s});
        QTRY_VERIFY(std::ranges::any_of(QMediaDevices::audioOutputs(), [](const QAudioDevice &output) {
            return output.description() == "Alto-falantes"_L1;
        }));
        RingTone tone;
        tone.setOutputName(u"Alto-falantes"_s);
        tone.start();
        QTRY_VERIFY(tone.isAudible());
        QTRY_VERIFY(playingOn(u"vozel_speakers"_s));
        QTest::qWait(2500); // the chime is two seconds long: still playing after it must have looped
        QVERIFY(tone.isAudible());
        tone.stop();
        QTRY_VERIFY(!tone.isAudible());

        // The chosen device is gone by the next call: the default output rings.
        tone.setOutputName(u"Fone desconectado"_s);
        tone.start();
        QTRY_VERIFY(playingOn(u"vozel_default"_s));
        tone.stop();
    }
};

QTEST_MAIN(RingToneTest)
#include "RingToneTest.moc"
