import QtQuick
import QtQuick.Controls
import Vozel.Ui

// A sheet over the dialer: a window of its own, modal to the dialer, with a title bar
// holding an optional leading and trailing button. Closing it in any way emits `dismissed`.
Window {
    id: sheet

    property alias leading: leadingSlot.data
    property alias trailing: trailingSlot.data
    default property alias content: body.data
    signal dismissed()

    flags: Qt.Dialog
    modality: Qt.WindowModal
    color: Theme.windowBackground
    visible: true
    onClosing: sheet.dismissed()

    Shortcut {
        sequence: StandardKey.Cancel
        onActivated: sheet.dismissed()
    }

    // Sized from the window itself, so the layout holds before the root item is resized.
    Item {
        width: sheet.width
        height: sheet.height

        Rectangle {
            id: bar
            anchors { left: parent.left; right: parent.right; top: parent.top }
            height: 44
            color: Theme.windowBackground

            Row {
                id: leadingSlot
                anchors { left: parent.left; leftMargin: 10; verticalCenter: parent.verticalCenter }
            }
            Text {
                anchors.centerIn: parent
                text: sheet.title
                color: Theme.primary
                font.pixelSize: Theme.headlineSize
                font.weight: Font.DemiBold
                Accessible.role: Accessible.Heading
            }
            Row {
                id: trailingSlot
                anchors { right: parent.right; rightMargin: 10; verticalCenter: parent.verticalCenter }
            }
            Rectangle {
                anchors { left: parent.left; right: parent.right; bottom: parent.bottom }
                height: 1
                color: Theme.separator
            }
        }

        Item {
            id: body
            anchors { left: parent.left; right: parent.right; top: bar.bottom; bottom: parent.bottom }
        }
    }
}
