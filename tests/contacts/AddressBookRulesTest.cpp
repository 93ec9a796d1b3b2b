#include "services/contacts/ContactOrder.h"
#include "services/contacts/PhoneLabels.h"

#include <QTest>

using namespace vozel;
using namespace Qt::StringLiterals;

class AddressBookRulesTest : public QObject {
    Q_OBJECT

private slots:
    void labelsFromTelephoneTypes_data()
    {
        QTest::addColumn<QStringList>("types");
        QTest::addColumn<QString>("label");

        QTest::newRow("mobile") << QStringList{u"CELL"_s} << u"Celular"_s;
        QTest::newRow("lower case") << QStringList{u"cell"_s} << u"Celular"_s;
        QTest::newRow("work voice") << QStringList{u"WORK"_s, u"VOICE"_s} << u"Trabalho"_s;
        QTest::newRow("in one value") << QStringList{u"HOME,VOICE"_s} << u"Residencial"_s;
        QTest::newRow("company") << QStringList{u"X-EVOLUTION-COMPANY"_s} << u"Trabalho"_s;
        QTest::newRow("work fax") << QStringList{u"WORK"_s, u"FAX"_s} << u"Fax"_s;
        QTest::newRow("pager") << QStringList{u"PAGER"_s} << u"Pager"_s;
        QTest::newRow("main") << QStringList{u"MAIN"_s} << u"Principal"_s;
        QTest::newRow("preferred alone") << QStringList{u"PREF"_s} << u"Principal"_s;
        QTest::newRow("preferred mobile") << QStringList{u"PREF"_s, u"CELL"_s} << u"Celular"_s;
        QTest::newRow("voice only") << QStringList{u"VOICE"_s} << u"Outro"_s;
        QTest::newRow("car") << QStringList{u"CAR"_s} << u"Outro"_s;
        QTest::newRow("none") << QStringList{} << u"Outro"_s;
    }

    void labelsFromTelephoneTypes()
    {
        QFETCH(QStringList, types);
        QFETCH(QString, label);
        QCOMPARE(localizedPhoneLabel(phoneLabelKey(types)), label);
    }

    void sortsLikeAnAddressBook_data()
    {
        QTest::addColumn<NameOrder>("order");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("given name first")
            << NameOrder::givenNameFirst
            << QStringList{u"alberto"_s, u"Álvaro"_s, u"Bruno Costa"_s, u"Carlos Alves"_s, u"Zé"_s, u"-"_s};
        QTest::newRow("family name first")
            << NameOrder::familyNameFirst
            << QStringList{u"alberto"_s, u"Álvaro"_s, u"Carlos Alves"_s, u"Bruno Costa"_s, u"Zé"_s, u"-"_s};
    }

    // Names are written "given family"; an organisation stands for a missing name; "-" has no name.
    void sortsLikeAnAddressBook()
    {
        QFETCH(NameOrder, order);
        QFETCH(QStringList, expected);
        QList<AddressBookContact> contacts{
            {u"1"_s, {}, {}, {}, {}},
            {u"2"_s, u"Zé"_s, {}, {}, {}},
            {u"3"_s, u"Bruno"_s, u"Costa"_s, {}, {}},
            {u"4"_s, {}, {}, u"Álvaro"_s, {}},
            {u"5"_s, u"Carlos"_s, u"Alves"_s, {}, {}},
            {u"6"_s, u"alberto"_s, {}, u"Zebra"_s, {}},
        };
        // Under the collation of Brazilian Portuguese an accent does not move a name to the end.
        sortContacts(contacts, order, QLocale(QLocale::Portuguese, QLocale::Brazil));
        QStringList names;
        for (const AddressBookContact &contact : contacts) {
            const QString name = (contact.givenName + u' ' + contact.familyName).trimmed();
            names.append(!name.isEmpty() ? name : !contact.organizationName.isEmpty() ? contact.organizationName : u"-"_s);
        }
        QCOMPARE(names, expected);
    }

    void caseDoesNotMatterEvenInTheCLocale()
    {
        QList<AddressBookContact> contacts{{u"1"_s, u"Carla"_s, {}, {}, {}}, {u"2"_s, u"bruno"_s, {}, {}, {}},
                                           {u"3"_s, u"Ana"_s, {}, {}, {}}};
        sortContacts(contacts, NameOrder::givenNameFirst, QLocale::c());
        QCOMPARE(contacts[0].givenName + contacts[1].givenName + contacts[2].givenName, u"AnabrunoCarla"_s);
    }
};

QTEST_GUILESS_MAIN(AddressBookRulesTest)
#include "AddressBookRulesTest.moc"
