// The symbol glyphs the views draw.
#include "ui/SymbolCatalog.h"

#include <QFont>
#include <QRawFont>
#include <QTest>

using vozel::ui::SymbolCatalog;

class ViewHelpersTest : public QObject {
    Q_OBJECT

private slots:
    void everySymbolIsDrawnByTheSymbolFont()
    {
        const QRawFont raw = QRawFont::fromFont(QFont(SymbolCatalog::fontFamily()));
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
