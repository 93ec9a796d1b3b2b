import QtQuick
import QtQuick.Controls
import Vozel.Ui

// A borderless symbol button of the dialer's header; `text` is its accessible name.
ToolButton {
    id: control

    property string symbol
    property real frameSize: 32

    implicitWidth: frameSize
    implicitHeight: frameSize
    padding: 0
    focusPolicy: Qt.TabFocus
    Accessible.name: text
    // Qt Quick Controls 2 buttons ignore a screen reader's press action in Qt 6.4.
    Accessible.onPressAction: if (enabled) clicked()
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
