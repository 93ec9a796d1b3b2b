import QtQuick
import QtQuick.Layouts
import Vozel.Ui

// A label on the left and its value on the right.
RowLayout {
    id: row

    required property string label
    property string value
    property color valueColor: Theme.secondary

    Layout.fillWidth: true
    spacing: 8

    Text {
        text: row.label
        color: Theme.primary
        font.pixelSize: Theme.bodySize
    }
    Text {
        Layout.fillWidth: true
        text: row.value
        textFormat: Text.PlainText
        color: row.valueColor
        font.pixelSize: Theme.bodySize
        horizontalAlignment: Text.AlignRight
        elide: Text.ElideMiddle
        Accessible.name: row.label + ": " + row.value
    }
}
