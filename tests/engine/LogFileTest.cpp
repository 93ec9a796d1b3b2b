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

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_path = m_dir->filePath(u"sip.log"_s);
    }

    // A new file and folder are private; an older file is made private and appended to.
    void theFileIsPrivate()
    {
        const QString path = m_dir->path() + u"/state/vozel/sip.log"_s;
        EngineLogFile(path, 1000).append("older\n");
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0644) == 0);
        EngineLogFile(path, 1000).append("newer\n");
        QCOMPARE(modeOf(path), mode_t(0600));
        QCOMPARE(modeOf(m_dir->path() + u"/state/vozel"_s), mode_t(0700));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), "older\nnewer\n"_ba);
    }

    void pastTheCapTheFileBecomesTheOlderCopy()
    {
        EngineLogFile log(m_path, 1000);
        for (int i = 0; i < 100; ++i)
            log.append(QByteArray(99, 'x') + '\n');
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList({u"sip.log"_s, u"sip.log.1"_s}));
        QCOMPARE(modeOf(m_path + u".1"_s), mode_t(0600));
        // 100 lines of 100 bytes: each file holds whole lines up to the cap.
        QCOMPARE(sizeOf(m_path + u".1"_s), qint64(1000));
        QCOMPARE(sizeOf(m_path), qint64(1000));
    }

    void aLineLongerThanTheCapIsStillWritten()
    {
        EngineLogFile log(m_path, 10);
        log.append(QByteArray(50, 'y'));
        QCOMPARE(sizeOf(m_path), qint64(50));
        log.append("z");
        QCOMPARE(sizeOf(m_path), qint64(1));
        QCOMPARE(sizeOf(m_path + u".1"_s), qint64(50));
    }

    void anUnwritableFolderDropsLinesQuietly()
    {
        QFile blocker(m_dir->filePath(u"not-a-folder"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        EngineLogFile(blocker.fileName() + u"/sip.log"_s, 100).append("lost\n");
        QVERIFY(!QFile::exists(blocker.fileName() + u"/sip.log"_s));
    }
};

QTEST_GUILESS_MAIN(LogFileTest)
#include "LogFileTest.moc"
