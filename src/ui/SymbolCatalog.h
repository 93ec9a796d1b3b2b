#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

namespace vozel::ui {

// The glyphs of the symbol font, looked up by the symbol names the views use
// ("phone.fill", "gearshape.fill", ...).
class SymbolCatalog : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Symbols)
    QML_SINGLETON
    Q_PROPERTY(QString fontFamily READ fontFamily CONSTANT)

public:
    explicit SymbolCatalog(QObject *parent = nullptr);

    // The family of the compiled-in symbol font, loading it on first use.
    static QString fontFamily();
    // The glyph of a symbol; empty, with a warning, for a name the catalogue lacks.
    static QString glyphFor(const QString &symbolName);
    static QStringList symbolNames();

    Q_INVOKABLE QString glyph(const QString &symbolName) const { return glyphFor(symbolName); }
};

} // namespace vozel::ui
