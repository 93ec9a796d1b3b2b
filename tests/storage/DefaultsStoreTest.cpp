#include "services/storage/DefaultsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vozel;
using namespace Qt::StringLiterals;

class DefaultsStoreTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_folder;

private slots:
    // Before any store exists: the user's location is fixed once per process.
    void initTestCase() { qputenv("XDG_CONFIG_HOME", m_folder.filePath(u"config"_s).toUtf8()); }

    // Each value is read back from the store and from a fresh one on the same file, so nothing
    // passes thanks to a cache; nothing stored stays tellable from stored empty or false values.
    void valuesRoundTripExactly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("quotes, escapes, separators, accents")
            << u"@ByteArray(x) \"b\" \\c, a=b\nc;d#e  Microfone — Áudio analógico "_s;
        QTest::newRow("empty") << QString();
    }

    void valuesRoundTripExactly()
    {
        QFETCH(QString, text);
        QByteArray bytes = text.toUtf8();
        for (int b = 0; b < 256 && !text.isEmpty(); ++b)
            bytes.append(char(b));
        const QString file = m_folder.filePath(QString::fromLatin1(QTest::currentDataTag()));
        DefaultsStore store(file);
        QCOMPARE(store.dataValue(u"data"_s), std::nullopt);
        store.setString(u"text"_s, text);
        store.setData(u"data"_s, bytes);
        store.setBool(u"false"_s, false);
        store.setBool(u"true"_s, true);
        store.setData(u"gone"_s, "[]");
        store.remove(u"gone"_s);
        const DefaultsStore reopened(file);
        for (const DefaultsStore *s : {&std::as_const(store), &reopened}) {
            QCOMPARE(s->stringValue(u"text"_s), text);
            QCOMPARE(s->dataValue(u"data"_s), bytes);
            QCOMPARE(s->boolValue(u"false"_s), false);
            QCOMPARE(s->boolValue(u"true"_s), true);
            QCOMPARE(s->boolValue(u"text"_s), std::nullopt);
            QCOMPARE(s->stringValue(u"data"_s), std::nullopt);
            QVERIFY(!s->contains(u"gone"_s));
        }
    }

    void userStoreIsAFileInTheUsersConfigFolder()
    {
        DefaultsStore store;
        store.setString(u"vozel.audio.output.v1"_s, u"usb"_s);
        // Written at once: the next start after a crash reads the file, not this process's cache.
        QFile file(m_folder.filePath(u"config/Vozel/Vozel.conf"_s));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("vozel.audio.output.v1=usb"));
    }
};

QTEST_GUILESS_MAIN(DefaultsStoreTest)
#include "DefaultsStoreTest.moc"
