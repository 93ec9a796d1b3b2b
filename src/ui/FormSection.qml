import QtQuick
import QtQuick.Layouts
import Vozel.Ui

// One group of a settings form: an optional title over a rounded box of rows.
ColumnLayout {
    id: section

    property string title
    default property alias rows: box.data

    Layout.fillWidth: true
    spacing: 6

    Text {
        visible: section.title !== ""
        Layout.leftMargin: 4
        text: section.title
        color: Theme.secondary
        font.pixelSize: Theme.captionSize
        font.weight: Font.DemiBold
        Accessible.role: Accessible.Heading
    }
    Rectangle {
        Layout.fillWidth: true
        implicitHeight: box.implicitHeight + 20
        radius: 8
        color: Theme.groupBackground
        border.color: Theme.separator
        opacity: section.enabled ? 1 : 0.5

        ColumnLayout {
            id: box
            anchors { fill: parent; margins: 10 }
            spacing: 8
        }
    }
}
