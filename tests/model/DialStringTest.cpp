#include "model/DialString.h"

#include <QTest>

using namespace vozel;
using namespace Qt::StringLiterals;

// Every way a text becomes something that dials, row by row.
class DialStringTest : public QObject {
    Q_OBJECT

private slots:
    void texts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tone"); // empty: no tone, and typing it changes nothing
        QTest::addColumn<QString>("dialable");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("sipUser");
        QTest::newRow("star") << u"*"_s << u"*"_s << u"*"_s << QString() << u"*"_s;
        QTest::newRow("hash") << u"#"_s << u"#"_s << u"#"_s << QString() << u"%23"_s;
        QTest::newRow("plus") << u"+"_s << QString() << u"+"_s << QString() << u"+"_s;
        QTest::newRow("letter") << u"A"_s << QString() << QString() << QString() << u"A"_s;
        QTest::newRow("two keys") << u"12"_s << QString() << u"12"_s << u"12"_s << u"12"_s;
        QTest::newRow("other scripts") << u"٣٤ ½ １"_s << QString() << u"341"_s << u"341"_s
                                       << u"%D9%A3%D9%A4 %C2%BD %EF%BC%91"_s;
        QTest::newRow("pasted number") << u"Ligue: +55 (11) 98765-4321, ramal #12"_s << QString()
                                       << u"+5511987654321#12"_s << u"551198765432112"_s
                                       << u"Ligue%3A +55 (11) 98765-4321, ramal %2312"_s;
    }

    void texts()
    {
        QFETCH(QString, text);
        QFETCH(QString, tone);
        QFETCH(QString, dialable);
        QFETCH(QString, extension);
        QFETCH(QString, sipUser);
        const auto toneOf = DialString::toneOf(text);
        QCOMPARE(toneOf ? QString(QChar::fromLatin1(*toneOf)) : QString(), tone);
        QCOMPARE(DialString::withKey(u"20"_s, text, 32), u"20"_s + tone);
        QCOMPARE(DialString::dialablePart(text, 32), dialable);
        QCOMPARE(DialString::extensionPart(text, 32), extension);
        QCOMPARE(DialString::sipUserPart(text), sipUser);
    }

    void limitsCountCharacters()
    {
        const QString full(32, u'9');
        QCOMPARE(DialString::withKey(full, u"1"_s, 32), full);
        QCOMPARE(DialString::dialablePart(full + u"1"_s, 32), full);
        QCOMPARE(DialString::withoutLastCharacter(u"1𝟘"_s), u"1"_s);
        QCOMPARE(DialString::length(u"1𝟘"_s), 2);
    }
};

QTEST_GUILESS_MAIN(DialStringTest)
#include "DialStringTest.moc"
