import QtQuick
import QtQuick.Controls
import Vozel.Ui

// A borderless symbol button of the dialer's header; `text` is its accessible name.
AccessibleButton {
    id: control

    property string symbol
    property real frameSize: 32

    implicitWidth: frameSize
    implicitHeight: frameSize
    padding: 0
    flat: true
    focusPolicy: Qt.TabFocus
    Accessible.name: text
    display: AbstractButton.IconOnly

    contentItem: Symbol {
        symbol: control.symbol
        color: control.enabled ? Theme.primary : Theme.secondary
    }
    background: Rectangle {
        radius: 6
        color: Theme.primary
        opacity: control.down ? 0.12 : (control.hovered ? 0.06 : 0)
    }
}
