import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The floating panel of an incoming call. DesktopCallManager fills its lines, shows and
// hides it, and acts on the two requests.
Window {
    id: panel

    property string number
    property string callerName
    property string sourceLabel: "Identificando origem…"

    signal answerRequested
    signal declineRequested

    title: "Chamada recebida"
    flags: Qt.Tool | Qt.WindowStaysOnTopHint | Qt.FramelessWindowHint
    width: 400
    height: 290
    minimumWidth: width
    maximumWidth: width
    minimumHeight: height
    maximumHeight: height
    color: background.palette.window

    // The panel holds the only answer button: it is not closed, only hidden by its manager.
    onClosing: close => close.accepted = false

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

    component CallButton: Button {
        id: button
        property color tint
        // Qt Quick Controls 2 buttons ignore a screen reader's press action in Qt 6.4.
        Accessible.onPressAction: if (enabled) clicked()
        Layout.fillWidth: true
        Layout.preferredWidth: 1
        Layout.preferredHeight: 44
        font.pixelSize: 15
        font.weight: Font.DemiBold
        contentItem: Label {
            text: button.text
            font: button.font
            color: "white"
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
        background: Rectangle {
            radius: 8
            color: button.down ? Qt.darker(button.tint, 1.2) : button.tint
        }
    }

    ColumnLayout {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.leftMargin: 28
        anchors.rightMargin: 28
        anchors.verticalCenter: parent.verticalCenter
        anchors.verticalCenterOffset: 5
        spacing: 16

        Label {
            objectName: "incomingHeading"
            Layout.alignment: Qt.AlignHCenter
            text: "Chamada recebida"
            font.pixelSize: 15
            font.weight: Font.DemiBold
            color: palette.placeholderText
        }

        // The number, name and origin come from the caller and the operator: shown as written, never as markup.
        Label {
            objectName: "incomingNumber"
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            text: panel.number
            textFormat: Text.PlainText
            font.pixelSize: 30
            font.weight: Font.DemiBold
            elide: Text.ElideMiddle
            maximumLineCount: 1
        }

        Label {
            objectName: "incomingCallerName"
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            visible: panel.callerName !== ""
            text: panel.callerName
            textFormat: Text.PlainText
            font.pixelSize: 14
            elide: Text.ElideMiddle
            maximumLineCount: 1
        }

        Label {
            objectName: "incomingSource"
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            text: panel.sourceLabel
            textFormat: Text.PlainText
            font.pixelSize: 12
            wrapMode: Text.Wrap
            color: palette.placeholderText
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 16

            CallButton {
                objectName: "declineButton"
                text: "Recusar"
                tint: "#ff3b30"
                onClicked: panel.declineRequested()
            }

            CallButton {
                objectName: "answerButton"
                text: "Atender"
                tint: "#28a745"
                onClicked: panel.answerRequested()
            }
        }
    }
}
