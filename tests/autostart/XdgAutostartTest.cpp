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
    void enablingWritesAnEntryAndDisablingRemovesIt()
    {
        QTemporaryDir home;
        const QString path = home.filePath(u"config/autostart/vozel.desktop"_s);
        XdgAutostart autostart(path, u"/opt/My Apps/vozel"_s);
        QVERIFY(!autostart.isEnabled());
        autostart.setEnabled(true);
        QVERIFY(autostart.isEnabled());
        QFile entry(path);
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QByteArray text = entry.readAll();
        QVERIFY(text.startsWith("[Desktop Entry]\n"));
        QVERIFY(text.contains("\nExec=\"/opt/My Apps/vozel\"\n"));
        autostart.setEnabled(false);
        QVERIFY(!autostart.isEnabled());
        QVERIFY(!QFile::exists(path));
        autostart.setEnabled(false);
    }

    void hiddenEntryCountsAsDisabled()
    {
        QTemporaryDir home;
        const QString path = home.filePath(u"vozel.desktop"_s);
        QFile entry(path);
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nHidden = true\n[Desktop Action x]\nHidden=false\n");
        entry.close();
        XdgAutostart autostart(path, u"/usr/bin/vozel"_s);
        QVERIFY(!autostart.isEnabled());
        autostart.setEnabled(true);
        QVERIFY(autostart.isEnabled());
    }

    void unwritableFolderIsAnError()
    {
        QTemporaryDir home;
        QFile blocker(home.filePath(u"autostart"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        XdgAutostart autostart(home.filePath(u"autostart/vozel.desktop"_s), u"/usr/bin/vozel"_s);
        QVERIFY_THROWS_EXCEPTION(Failure, autostart.setEnabled(true));
        QVERIFY(!autostart.isEnabled());
    }
};

QTEST_GUILESS_MAIN(XdgAutostartTest)
#include "XdgAutostartTest.moc"
