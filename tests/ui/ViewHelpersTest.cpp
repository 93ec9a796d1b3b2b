// The C++ helpers behind the views: symbol glyphs, derived texts and the manual form rules.
#include "ui/ManualAccountFields.h"
#include "ui/SymbolCatalog.h"
#include "ui/ViewText.h"

#include "model/domain/SIPAccount.h"
#include "model/domain/VozelAudioDevice.h"

#include <QFont>
#include <QRawFont>
#include <QTest>
#include <QTimeZone>

using namespace Qt::StringLiterals;
using vozel::SavedSIPAccount;
using vozel::SIPAccount;
using vozel::VozelAudioDevice;
using vozel::ui::ManualAccountFields;
using vozel::ui::SymbolCatalog;
using vozel::ui::ViewText;

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

    void registrationTitles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("title");
        QTest::newRow("not configured") << u"notConfigured"_s << u"Configure seu ramal"_s;
        QTest::newRow("disabled") << u"disabled"_s << u"Desativado"_s;
        QTest::newRow("connecting") << u"connecting"_s << u"Conectando\u2026"_s;
        QTest::newRow("connected") << u"connected"_s << u"Conectado"_s;
        QTest::newRow("failed") << u"failed"_s << u"Sem conexão"_s;
    }

    void registrationTitles()
    {
        QFETCH(QString, kind);
        QFETCH(QString, title);
        QCOMPARE(ViewText().registrationTitle(kind), title);
    }

    void accountLabelsAndChoicesFollowTheStoredOrder()
    {
        const SavedSIPAccount named{QUuid::createUuid(), account(u"2001"_s), u"Loja Sul"_s};
        const SavedSIPAccount unnamed{QUuid::createUuid(), account(u"2002"_s), std::nullopt};
        const QVariantList saved{QVariant::fromValue(named), QVariant::fromValue(unnamed)};
        ViewText text;

        QCOMPARE(text.accountLabel(saved, unnamed.idText()), u"Ramal 2002"_s);
        QCOMPARE(text.accountLabel(saved, named.idText()), u"Loja Sul · Ramal 2001"_s);
        QCOMPARE(text.accountLabel(saved, QString()), QString());
        QCOMPARE(text.accountLabel(saved, QUuid::createUuid().toString()), QString());

        const QVariantList choices = text.accountChoices(saved);
        QCOMPARE(choices.size(), 2);
        QCOMPARE(choices[0].toMap().value(u"value"_s).toString(), named.idText());
        QCOMPARE(choices[1].toMap().value(u"text"_s).toString(), u"Ramal 2002"_s);
    }

    void devicePickersListTheCapableDevicesAndMarkUSB()
    {
        const QVariantList devices{
            QVariant::fromValue(VozelAudioDevice{u"mic"_s, u"Microfone interno"_s, true, false, false}),
            QVariant::fromValue(VozelAudioDevice{u"usb"_s, u"Vozel Headset"_s, true, true, true}),
            QVariant::fromValue(VozelAudioDevice{u"spk"_s, u"Alto-falantes"_s, false, true, false}),
        };
        ViewText text;
        const auto describe = [](const QVariantList &choices) {
            QStringList entries;
            for (const QVariant &choice : choices)
                entries << choice.toMap().value(u"value"_s).toString() + u'=' + choice.toMap().value(u"text"_s).toString();
            return entries;
        };
        QCOMPARE(describe(text.deviceChoices(devices, true)),
                 (QStringList{u"mic=Microfone interno"_s, u"usb=Vozel Headset · USB"_s}));
        QCOMPARE(describe(text.deviceChoices(devices, false)),
                 (QStringList{u"usb=Vozel Headset · USB"_s, u"spk=Alto-falantes"_s}));
        QVERIFY(text.deviceChoices({}, false).isEmpty());
    }

    void callDatesReadAsAbbreviatedDateAndShortTime()
    {
        const QDateTime morning(QDate(2024, 5, 2), QTime(9, 5), QTimeZone::systemTimeZone());
        QCOMPARE(ViewText().callDate(morning), u"2 de mai. de 2024, 09:05"_s);
        const QDateTime utc(QDate(2024, 12, 31), QTime(23, 59), QTimeZone::utc());
        QCOMPARE(ViewText().callDate(utc), ViewText().callDate(utc.toLocalTime()));
    }

    void ports_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("port");
        QTest::newRow("usual") << u"5060"_s << 5060;
        QTest::newRow("lowest") << u"1"_s << 1;
        QTest::newRow("highest") << u"65535"_s << 65535;
        QTest::newRow("plus sign") << u"+5061"_s << 5061;
        QTest::newRow("leading zero") << u"05060"_s << 5060;
        QTest::newRow("zero") << u"0"_s << 0;
        QTest::newRow("too high") << u"65536"_s << 0;
        QTest::newRow("huge") << u"99999999999999999999999"_s << 0;
        QTest::newRow("negative") << u"-5060"_s << 0;
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("sign only") << u"+"_s << 0;
        QTest::newRow("blank around") << u" 5060"_s << 0;
        QTest::newRow("blank after") << u"5060 "_s << 0;
        QTest::newRow("blank inside") << u"50 60"_s << 0;
        QTest::newRow("letters") << u"sip"_s << 0;
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
        QTest::newRow("complete") << good << true;
        auto blankPassword = good;
        blankPassword.password = u"   "_s;
        QTest::newRow("password of blanks") << blankPassword << true;
        auto noPassword = good;
        noPassword.password.clear();
        QTest::newRow("no password") << noPassword << false;
        auto blankExtension = good;
        blankExtension.extension = u" \n\t"_s;
        QTest::newRow("extension of blanks") << blankExtension << false;
        auto blankHost = good;
        blankHost.host = u"  "_s;
        QTest::newRow("host of blanks") << blankHost << false;
        auto badPort = good;
        badPort.port = u"0"_s;
        QTest::newRow("port zero") << badPort << false;
        auto emptyUser = good;
        emptyUser.user.clear();
        emptyUser.name.clear();
        QTest::newRow("user and name are optional") << emptyUser << true;
    }

    void formValidity()
    {
        QFETCH(ManualAccountFields, fields);
        QFETCH(bool, valid);
        QCOMPARE(fields.isValid(), valid);
    }

private:
    static SIPAccount account(const QString &extension)
    {
        return {extension, extension, u"pw"_s, u"pbx.example.com"_s, 5060, u"udp"_s, u"Ramal "_s + extension, 600};
    }
};

QTEST_MAIN(ViewHelpersTest)
#include "ViewHelpersTest.moc"
