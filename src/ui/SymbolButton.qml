import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vozel.Ui

// A button with a symbol before its text. `tint` colours the text, or, when `prominent`,
// fills the button behind white text.
AccessibleButton {
    id: control

    property string symbol
    property color tint: Theme.blue
    property bool prominent: false
    readonly property color foreground: prominent ? "white" : tint

    focusPolicy: Qt.TabFocus
    Accessible.name: text
    opacity: enabled ? 1 : 0.45

    contentItem: RowLayout {
        spacing: 6
        Symbol {
            visible: control.symbol !== ""
            symbol: control.symbol
            size: 14
            color: control.foreground
        }
        Text {
            Layout.fillWidth: true
            text: control.text
            color: control.foreground
            font.pixelSize: Theme.bodySize
            font.weight: control.prominent ? Font.DemiBold : Font.Normal
            horizontalAlignment: control.prominent ? Text.AlignHCenter : Text.AlignLeft
            elide: Text.ElideRight
        }
    }
    background: Rectangle {
        implicitHeight: control.prominent ? 34 : 28
        radius: 8
        color: control.prominent ? control.tint : "transparent"
        Rectangle {
            anchors.fill: parent
            radius: parent.radius
            color: Theme.primary
            opacity: control.down ? 0.15 : (control.hovered ? 0.05 : 0)
        }
    }
}
