import QtQuick
import QtQuick.Layouts
import Vozel.Ui

// The registration state of the active extension: a dot, a title, the extension and,
// after a failure, its reason.
RowLayout {
    id: status

    required property int registrationKind
    required property string registrationMessage
    required property var account

    spacing: 6

    Rectangle {
        objectName: "statusDot"
        Layout.alignment: Qt.AlignTop
        Layout.topMargin: 5
        implicitWidth: 8
        implicitHeight: 8
        radius: 4
        color: status.registrationKind === RegistrationState.Connected ? Theme.green : Theme.secondary
    }

    ColumnLayout {
        Layout.fillWidth: true
        spacing: 1
        Text {
            objectName: "statusTitle"
            Layout.fillWidth: true
            elide: Text.ElideRight
            text: ViewText.registrationTitle(status.registrationKind)
            Accessible.name: text
            color: Theme.primary
            font.pixelSize: Theme.subheadlineSize
            font.weight: Font.DemiBold
        }
        Text {
            visible: status.account !== undefined && status.account !== null
            Layout.fillWidth: true
            elide: Text.ElideRight
            text: visible ? status.account.extension : ""
            textFormat: Text.PlainText
            color: Theme.secondary
            font.pixelSize: Theme.captionSize
        }
        Text {
            visible: status.registrationKind === RegistrationState.Failed
            Layout.fillWidth: true
            // Wrapped within the width the header leaves, never widening the window.
            Layout.preferredWidth: 0
            text: status.registrationMessage
            textFormat: Text.PlainText
            color: Theme.red
            font.pixelSize: Theme.captionSize
            wrapMode: Text.Wrap
            maximumLineCount: 2
            elide: Text.ElideRight
        }
    }
}
