import QtQuick
import QtQuick.Controls
import Vozel.Ui

// A round button that shows one symbol; `text` is what screen readers announce.
AccessibleButton {
    id: control

    property real diameter: 42
    property string symbol
    property real symbolSize: diameter * 0.36
    property color symbolColor: Theme.primary
    property color fill: Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.07)
    property var shortcutKeys: []

    implicitWidth: diameter
    implicitHeight: diameter
    padding: 0
    focusPolicy: Qt.TabFocus
    Accessible.name: text
    display: AbstractButton.IconOnly

    contentItem: Symbol {
        symbol: control.symbol
        size: control.symbolSize
        color: control.symbolColor
    }
    background: Rectangle {
        radius: width / 2
        color: control.fill
        Rectangle {
            anchors.fill: parent
            radius: width / 2
            color: Theme.primary
            opacity: control.down ? 0.12 : 0
        }
    }

    Shortcut {
        sequences: control.shortcutKeys
        enabled: control.enabled && control.shortcutKeys.length > 0
        onActivated: control.clicked()
    }
}
