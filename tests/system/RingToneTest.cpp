#include "system/RingTone.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QTest>

using namespace vozel;
using namespace Qt::StringLiterals;

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

        tone.start(); // rings again for the next call
        QTRY_VERIFY(tone.isAudible());
        tone.stop();
    }
};

QTEST_MAIN(RingToneTest)
#include "RingToneTest.moc"
