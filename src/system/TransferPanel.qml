import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The question for the transfer target. TransferPresenter shows and hides it, and reads
// the typed text when asked to confirm.
Window {
    id: panel

    property alias text: field.text

    signal confirmRequested
    signal cancelRequested

    function focusField() {
        field.forceActiveFocus()
    }

    title: "Transferir chamada"
    flags: Qt.Tool | Qt.WindowStaysOnTopHint | Qt.FramelessWindowHint
    width: 370
    height: 245
    minimumWidth: width
    maximumWidth: width
    minimumHeight: height
    maximumHeight: height
    color: background.palette.window

    Pane {
        id: background
        anchors.fill: parent
        padding: 0

        // Without a title bar, the edge keeps the panel apart from what lies beneath.
        Rectangle {
            anchors.fill: parent
            color: "transparent"
            border.color: background.palette.mid
        }

        DragHandler {
            target: null
            onActiveChanged: if (active) panel.startSystemMove()
        }
    }

    Shortcut {
        sequences: ["Return", "Enter"]
        onActivated: panel.confirmRequested()
    }

    Shortcut {
        sequence: "Escape"
        onActivated: panel.cancelRequested()
    }

    ColumnLayout {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.leftMargin: 28
        anchors.rightMargin: 28
        anchors.verticalCenter: parent.verticalCenter
        anchors.verticalCenterOffset: 6
        spacing: 13

        Label {
            objectName: "transferTitle"
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            text: "Transferir chamada"
            font.pixelSize: 17
            font.weight: Font.DemiBold
        }

        Label {
            objectName: "transferPrompt"
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            text: "Digite ou cole o ramal de destino"
            color: palette.placeholderText
        }

        TextField {
            id: field
            objectName: "transferField"
            Layout.fillWidth: true
            Layout.preferredHeight: 44
            horizontalAlignment: TextInput.AlignHCenter
            placeholderText: "Ramal ou número"
            font.pixelSize: 24
            font.weight: Font.Medium
            Accessible.name: "Ramal ou número"
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 14

            Button {
                objectName: "transferCancelButton"
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                Layout.preferredHeight: 40
                text: "Cancelar"
                Accessible.onPressAction: clicked()
                onClicked: panel.cancelRequested()
            }

            Button {
                objectName: "transferCallButton"
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                Layout.preferredHeight: 40
                text: "Ligar"
                Accessible.onPressAction: clicked()
                highlighted: true
                onClicked: panel.confirmRequested()
            }
        }
    }
}
