// The symbol glyphs the views draw.
#include "ui/SymbolCatalog.h"

#include <QFont>
#include <QRawFont>
#include <QTest>

using namespace Qt::StringLiterals;
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
        for (const QString &name : names) {
            const QString glyph = SymbolCatalog::glyphFor(name);
            QCOMPARE(glyph.size(), 1);
            QVERIFY2(raw.supportsCharacter(glyph.at(0)), qPrintable(name));
        }
    }
};

QTEST_MAIN(ViewHelpersTest)
#include "ViewHelpersTest.moc"
