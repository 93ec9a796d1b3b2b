#include "app/DialLink.h"

#include <QTest>

using namespace vozel;
using namespace Qt::StringLiterals;

class DialLinkTest : public QObject {
    Q_OBJECT

private slots:
    void linksGiveTheirNumber_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("number"); // empty: not a link to dial
        QTest::newRow("tel with punctuation") << u"tel:+55-11-3333-4444"_s << u"+551133334444"_s;
        QTest::newRow("tel with parameters") << u"TEL:2002;ext=7"_s << u"2002"_s;
        QTest::newRow("percent-encoded tel") << u"tel:%2B55%2011%203333"_s << u"+55113333"_s;
        QTest::newRow("sip user part") << u"sip:2002@192.168.0.10;transport=udp"_s << u"2002"_s;
        QTest::newRow("sips user part") << u" sips:+5511988887777@pbx "_s << u"+5511988887777"_s;
        QTest::newRow("long number cut") << u"tel:"_s + QString(40, u'9') << QString(32, u'9');
        QTest::newRow("plain number") << u"2002"_s << QString();
        QTest::newRow("sip name") << u"sip:alice@example.com"_s << QString();
    }

    void linksGiveTheirNumber()
    {
        QFETCH(QString, link);
        QFETCH(QString, number);
        QCOMPARE(numberFromDialLink(link).value_or(QString()), number);
        // Among a launch's arguments, the first link to dial wins.
        QCOMPARE(numberFromArguments({u"--x"_s, link, u"tel:2003"_s}).value_or(QString()),
                 number.isEmpty() ? u"2003"_s : number);
    }
};

QTEST_GUILESS_MAIN(DialLinkTest)
#include "DialLinkTest.moc"
