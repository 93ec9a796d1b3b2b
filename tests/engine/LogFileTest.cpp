// The stack's log file: private to its owner and never larger than twice its cap.

#include "engine/EngineLogFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace vozel::sip;
using namespace Qt::StringLiterals;

namespace {

mode_t modeOf(const QString &path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? (info.st_mode & 0777) : 0;
}

qint64 sizeOf(const QString &path)
{
    return QFileInfo(path).size();
}

} // namespace

class LogFileTest : public QObject {
    Q_OBJECT

private slots:
    void newFileAndFolderArePrivate()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + u"/state/vozel/sip.log"_s;
        EngineLogFile log(path, 1000);
        log.append("one\n");
        QCOMPARE(modeOf(path), mode_t(0600));
        QCOMPARE(modeOf(dir.path() + u"/state/vozel"_s), mode_t(0700));
    }

    void existingFileIsMadePrivateAndAppendedTo()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + u"/sip.log"_s;
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("older\n");
        old.close();
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0644) == 0);

        EngineLogFile log(path, 1000);
        log.append("newer\n");
        QCOMPARE(modeOf(path), mode_t(0600));
        QFile read(path);
        QVERIFY(read.open(QIODevice::ReadOnly));
        QCOMPARE(read.readAll(), "older\nnewer\n"_ba);
    }

    void pastTheCapTheFileBecomesTheOlderCopy()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + u"/sip.log"_s;
        const qint64 cap = 1000;
        EngineLogFile log(path, cap);
        const QByteArray line(99, 'x');
        for (int i = 0; i < 100; ++i)
            log.append(line + '\n');

        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({u"sip.log"_s, u"sip.log.1"_s}));
        QVERIFY(sizeOf(path) <= cap);
        QCOMPARE(sizeOf(path + u".1"_s), cap);
        QCOMPARE(modeOf(path + u".1"_s), mode_t(0600));
        QCOMPARE(modeOf(path), mode_t(0600));
        // 100 lines of 100 bytes: the newest file holds the last whole lines after a rotation.
        QCOMPARE(sizeOf(path), qint64(1000));
    }

    void aLineLongerThanTheCapIsStillWritten()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + u"/sip.log"_s;
        EngineLogFile log(path, 10);
        log.append(QByteArray(50, 'y'));
        QCOMPARE(sizeOf(path), qint64(50));
        log.append("z");
        QCOMPARE(sizeOf(path), qint64(1));
        QCOMPARE(sizeOf(path + u".1"_s), qint64(50));
    }

    void anUnwritableFolderDropsLinesQuietly()
    {
        QTemporaryDir dir;
        QFile blocker(dir.path() + u"/not-a-folder"_s);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        EngineLogFile log(blocker.fileName() + u"/sip.log"_s, 100);
        log.append("lost\n");
        QVERIFY(!QFile::exists(blocker.fileName() + u"/sip.log"_s));
    }
};

QTEST_GUILESS_MAIN(LogFileTest)
#include "LogFileTest.moc"
