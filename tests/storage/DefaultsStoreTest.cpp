#include "services/storage/DefaultsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vozel;
using namespace Qt::StringLiterals;

class DefaultsStoreTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_folder;
    QString m_file;

    // Checks the store, then a fresh one on the same file, so nothing passes thanks to a cache.
    template <typename Check>
    void checkStoredAndReopened(const DefaultsStore &store, Check check)
    {
        check(store);
        check(DefaultsStore(m_file));
    }

private slots:
    void initTestCase()
    {
        // Before any store exists: the user's location is fixed once per process.
        qputenv("XDG_CONFIG_HOME", m_folder.filePath(u"config"_s).toUtf8());
    }

    void init() { m_file = m_folder.filePath(QString::fromLatin1(QTest::currentTestFunction()) + u".conf"_s); }

    void userStoreIsAFileInTheUsersConfigFolder()
    {
        DefaultsStore().setString(u"vozel.audio.output.v1"_s, u"usb"_s);
        // Written at once: the next start after a crash reads the file, not this process's cache.
        QFile file(m_folder.filePath(u"config/Vozel/Vozel.conf"_s));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("vozel.audio.output.v1=usb"));
    }

    void nothingStoredIsTellableFromStoredFalsyValues()
    {
        DefaultsStore store(m_file);
        QVERIFY(!store.contains(u"b"_s));
        QCOMPARE(store.boolValue(u"b"_s), std::nullopt);
        QCOMPARE(store.stringValue(u"s"_s), std::nullopt);
        QCOMPARE(store.dataValue(u"d"_s), std::nullopt);

        store.setBool(u"b"_s, false);
        store.setBool(u"t"_s, true);
        store.setString(u"s"_s, QString());
        store.setData(u"d"_s, QByteArray());
        store.setData(u"gone"_s, "[]");
        store.remove(u"gone"_s);
        checkStoredAndReopened(store, [](const DefaultsStore &s) {
            QVERIFY(s.contains(u"b"_s) && s.contains(u"s"_s) && s.contains(u"d"_s));
            QCOMPARE(s.boolValue(u"b"_s), false);
            QCOMPARE(s.boolValue(u"t"_s), true);
            QCOMPARE(s.stringValue(u"s"_s), QString());
            QCOMPARE(s.dataValue(u"d"_s), QByteArray());
            QVERIFY(!s.contains(u"gone"_s));
        });
    }

    void valuesRoundTripExactly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("comma") << u"Fone, USB"_s;
        QTest::newRow("quotes and backslash") << u"a \"b\" \\c"_s;
        QTest::newRow("at sign first") << u"@ByteArray(x)"_s;
        QTest::newRow("outer spaces, accents") << u"  Microfone embutido — Áudio analógico "_s;
        QTest::newRow("line break, equals, semicolon") << u"a=b\nc;d#e"_s;
    }

    void valuesRoundTripExactly()
    {
        QFETCH(QString, text);
        QByteArray bytes = text.toUtf8();
        for (int b = 0; b < 256; ++b)
            bytes.append(char(b));
        DefaultsStore store(m_file);
        store.setString(u"text"_s, text);
        store.setData(u"data"_s, bytes);
        checkStoredAndReopened(store, [&](const DefaultsStore &s) {
            QCOMPARE(s.stringValue(u"text"_s), text);
            QCOMPARE(s.dataValue(u"data"_s), bytes);
            QCOMPARE(s.boolValue(u"text"_s), std::nullopt);
            QCOMPARE(s.stringValue(u"data"_s), std::nullopt);
        });
    }
};

QTEST_GUILESS_MAIN(DefaultsStoreTest)
#include "DefaultsStoreTest.moc"
