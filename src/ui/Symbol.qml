import QtQuick
import Vozel.Ui

// A symbol drawn from the symbol font by its name, e.g. Symbol { symbol: "phone.fill" }.
Text {
    required property string symbol
    // The size as a text size: the font's glyphs fill about three quarters of their em
    // square, so they are drawn a third larger to match text of that size.
    property real size: Theme.title3SymbolSize

    text: symbol !== "" ? Symbols.glyph(symbol) : ""
    color: Theme.primary
    font.family: Symbols.fontFamily
    font.pixelSize: Math.round(size * 4 / 3)
    horizontalAlignment: Text.AlignHCenter
    verticalAlignment: Text.AlignVCenter
    Accessible.ignored: true
}
