import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vozel.Ui

// One past call: its direction, number, origin and time. Pressing puts the number back in
// the dialer; swiping left, the context menu (right click or the Menu key) and the Delete
// key delete it.
SwipeDelegate {
    id: row

    required property string number
    required property date date
    required property int direction
    required property string sourceLabel
    signal chosen()
    signal deleteRequested()

    readonly property bool missed: direction === CallHistory.Missed

    text: number
    focusPolicy: Qt.TabFocus
    Accessible.onPressAction: row.chosen()
    onClicked: row.chosen()
    Keys.onDeletePressed: row.deleteRequested()
    Keys.onMenuPressed: menu.popup(row, 0, row.height)

    contentItem: RowLayout {
        spacing: 10
        Symbol {
            objectName: "directionSymbol"
            symbol: row.missed ? "phone.down.fill" : "phone.arrow.up.right.fill"
            color: row.missed ? Theme.red : Theme.secondary
            size: 15
        }
        ColumnLayout {
            spacing: 2
            Text {
                text: row.number
                textFormat: Text.PlainText
                color: Theme.primary
                font.pixelSize: Theme.headlineSize
                font.weight: Font.DemiBold
            }
            Text {
                objectName: "sourceLabel"
                visible: row.sourceLabel !== ""
                text: row.sourceLabel
                textFormat: Text.PlainText
                color: Theme.secondary
                font.pixelSize: Theme.captionSize
            }
            Text {
                objectName: "callDate"
                text: ViewText.callDate(row.date)
                color: Theme.secondary
                font.pixelSize: Theme.captionSize
            }
        }
        Item { Layout.fillWidth: true }
        Symbol {
            symbol: "phone.fill"
            color: Theme.green
            size: 15
        }
    }

    swipe.right: Rectangle {
        anchors { right: parent.right; top: parent.top; bottom: parent.bottom }
        width: 96
        color: Theme.red
        Accessible.role: Accessible.Button
        Accessible.name: "Excluir"
        Accessible.onPressAction: row.deleteRequested()
        SwipeDelegate.onClicked: row.deleteRequested()

        Row {
            anchors.centerIn: parent
            spacing: 4
            Symbol { symbol: "trash"; color: "white"; size: 14 }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: "Excluir"
                color: "white"
                font.pixelSize: Theme.bodySize
            }
        }
    }

    // Takes right clicks for itself, so they open the menu without choosing the row.
    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.RightButton
        onClicked: menu.popup()
    }
    Menu {
        id: menu
        MenuItem {
            text: "Excluir"
            onTriggered: row.deleteRequested()
        }
    }
}
