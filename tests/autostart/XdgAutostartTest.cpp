#include "model/domain/Failure.h"
#include "services/autostart/XdgAutostart.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vozel;
using namespace Qt::StringLiterals;

class XdgAutostartTest : public QObject {
    Q_OBJECT

private slots:
    void theEntryFollowsTheSetting()
    {
        QTemporaryDir home;
        QFile blocker(home.filePath(u"blocked"_s)); // a file where the folder should be
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        XdgAutostart blocked(home.filePath(u"blocked/vozel.desktop"_s), u"/usr/bin/vozel"_s);
        QVERIFY_THROWS_EXCEPTION(Failure, blocked.setEnabled(true));
        QVERIFY(!blocked.isEnabled());

        const QString path = home.filePath(u"config/autostart/vozel.desktop"_s);
        XdgAutostart autostart(path, u"/opt/My Apps/vozel"_s);
        QVERIFY(!autostart.isEnabled());
        autostart.setEnabled(true);
        QVERIFY(autostart.isEnabled());
        QFile entry(path);
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QByteArray text = entry.readAll();
        QVERIFY2(text.startsWith("[Desktop Entry]\n") && text.contains("\nExec=\"/opt/My Apps/vozel\"\n"), text);
        entry.close();
        autostart.setEnabled(false);
        QVERIFY(!autostart.isEnabled() && !QFile::exists(path));
        autostart.setEnabled(false); // already off: no error

        // Turned off in the desktop's own settings; only the main group counts.
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nHidden = true\n[Desktop Action x]\nHidden=false\n");
        entry.close();
        QVERIFY(!autostart.isEnabled());
        autostart.setEnabled(true);
        QVERIFY(autostart.isEnabled());
    }
};

QTEST_GUILESS_MAIN(XdgAutostartTest)
#include "XdgAutostartTest.moc"
