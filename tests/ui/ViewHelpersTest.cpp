// The C++ helpers behind the views: symbol glyphs and the manual form rules.
#include "ui/ManualAccountFields.h"
#include "ui/SymbolCatalog.h"

#include <QFont>
#include <QRawFont>
#include <QTest>

using namespace Qt::StringLiterals;
using vozel::ui::ManualAccountFields;
using vozel::ui::SymbolCatalog;

class ViewHelpersTest : public QObject {
    Q_OBJECT

private slots:
    void everySymbolIsDrawnByTheSymbolFont()
    {
        QFont font(SymbolCatalog::fontFamily());
        font.setPixelSize(24);
        const QRawFont raw = QRawFont::fromFont(font);
        QVERIFY(raw.isValid());
        QCOMPARE(raw.familyName(), u"Material Icons"_s);
        const QStringList names = SymbolCatalog::symbolNames();
        QVERIFY(names.size() >= 20);
        for (const QString &name : names) {
            const QString glyph = SymbolCatalog::glyphFor(name);
            QCOMPARE(glyph.size(), 1);
            QVERIFY2(raw.supportsCharacter(glyph.at(0)), qPrintable(name));
        }
    }

    void anUnknownSymbolDrawsNothing()
    {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"no glyph for the symbol"_s));
        QCOMPARE(SymbolCatalog::glyphFor(u"phone.bubble"_s), QString());
    }

    void ports_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("port");
        QTest::newRow("usual") << u"5060"_s << 5060;
        QTest::newRow("highest") << u"65535"_s << 65535;
        QTest::newRow("plus sign") << u"+5061"_s << 5061;
        QTest::newRow("zero") << u"0"_s << 0;
        QTest::newRow("too high") << u"65536"_s << 0;
        QTest::newRow("negative") << u"-5060"_s << 0;
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("blank around") << u" 5060"_s << 0;
        QTest::newRow("decimal") << u"5060.0"_s << 0;
        QTest::newRow("arabic-indic digits") << u"\u0665\u0660\u0666\u0660"_s << 0;
    }

    void ports()
    {
        QFETCH(QString, text);
        QFETCH(int, port);
        QCOMPARE(ManualAccountFields::parsePort(text).value_or(0), port);
    }

    void formValidity_data()
    {
        QTest::addColumn<ManualAccountFields>("fields");
        QTest::addColumn<bool>("valid");
        const ManualAccountFields good{QString(), u"2001"_s, QString(), u"segredo"_s, u"pbx.example.com"_s,
                                       u"5060"_s, u"udp"_s};
        const auto with = [&](auto change) {
            ManualAccountFields fields = good;
            change(fields);
            return fields;
        };
        QTest::newRow("complete") << good << true;
        QTest::newRow("password of blanks") << with([](auto &f) { f.password = u"   "_s; }) << true;
        QTest::newRow("no password") << with([](auto &f) { f.password.clear(); }) << false;
        QTest::newRow("extension of blanks") << with([](auto &f) { f.extension = u" \n\t"_s; }) << false;
        QTest::newRow("host of blanks") << with([](auto &f) { f.host = u"  "_s; }) << false;
        QTest::newRow("port zero") << with([](auto &f) { f.port = u"0"_s; }) << false;
        QTest::newRow("user and name are optional") << with([](auto &f) { f.user.clear(), f.name.clear(); }) << true;
    }

    void formValidity()
    {
        QFETCH(ManualAccountFields, fields);
        QFETCH(bool, valid);
        QCOMPARE(fields.isValid(), valid);
    }
};

QTEST_MAIN(ViewHelpersTest)
#include "ViewHelpersTest.moc"
