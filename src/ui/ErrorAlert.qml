import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vozel.Ui

// The one place errors are shown: an alert titled "Vozel" with the message and "OK". It is
// modal to its transient parent only, so the ring panel keeps answering while it is open,
// and it floats like the panels, so the transfer panel it belongs to cannot cover it.
Window {
    id: alert

    property string message
    signal dismissed()

    title: "Vozel"
    flags: Qt.Dialog | Qt.WindowStaysOnTopHint
    modality: Qt.WindowModal
    color: Theme.windowBackground
    width: 300
    height: content.implicitHeight + 40
    minimumWidth: width
    maximumWidth: width
    minimumHeight: height
    maximumHeight: height
    visible: message !== ""
    onVisibleChanged: if (visible) requestActivate()
    onClosing: alert.dismissed()

    ColumnLayout {
        id: content
        anchors { fill: parent; margins: 20 }
        spacing: 10
        Text {
            Layout.fillWidth: true
            text: alert.title
            color: Theme.primary
            font.pixelSize: Theme.headlineSize
            font.weight: Font.Bold
            horizontalAlignment: Text.AlignHCenter
            Accessible.role: Accessible.Heading
        }
        Text {
            objectName: "alertMessage"
            Layout.fillWidth: true
            text: alert.message
            textFormat: Text.PlainText
            Accessible.name: text
            color: Theme.primary
            font.pixelSize: Theme.bodySize
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
        }
        AccessibleButton {
            Layout.fillWidth: true
            Layout.topMargin: 6
            text: "OK"
            focus: true
            onClicked: alert.dismissed()
            Keys.onReturnPressed: alert.dismissed()
            Keys.onEscapePressed: alert.dismissed()
        }
    }
}
