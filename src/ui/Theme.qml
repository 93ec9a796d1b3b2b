pragma Singleton
import QtQuick

// Colours and text sizes shared by the views.
QtObject {
    readonly property SystemPalette palette: SystemPalette {}

    readonly property color primary: palette.windowText
    readonly property color secondary: Qt.rgba(primary.r, primary.g, primary.b, 0.55)
    readonly property color windowBackground: palette.window
    readonly property color groupBackground: palette.base
    readonly property color separator: Qt.rgba(primary.r, primary.g, primary.b, 0.12)
    readonly property color callGreen: Qt.rgba(0, 0.52, 0.23, 1)
    readonly property color red: "#ff3b30"
    readonly property color blue: "#007aff"
    readonly property color green: "#34c759"

    readonly property int captionSize: 11
    readonly property int subheadlineSize: 11
    readonly property int bodySize: 13
    readonly property int headlineSize: 14
    readonly property int title3SymbolSize: 16
    readonly property int title2SymbolSize: 17
}
