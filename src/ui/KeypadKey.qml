import QtQuick
import QtQuick.Controls
import Vozel.Ui

// One key of the keypad: the digit over its letters, on a faint circle.
AccessibleButton {
    id: key

    required property string digit
    required property string letters
    property real size: 60
    property real digitFontSize: 29
    property real letterFontSize: 8

    text: digit
    implicitWidth: size
    implicitHeight: size
    padding: 0
    focusPolicy: Qt.TabFocus
    Accessible.name: text

    contentItem: Column {
        spacing: 0
        topPadding: (key.height - digitText.height - lettersText.height) / 2
        Text {
            id: digitText
            width: key.width
            text: key.digit
            color: Theme.primary
            font.pixelSize: key.digitFontSize
            horizontalAlignment: Text.AlignHCenter
        }
        Text {
            id: lettersText
            width: key.width
            text: key.letters
            color: Theme.primary
            font.pixelSize: key.letterFontSize
            font.weight: Font.DemiBold
            font.letterSpacing: 1.6
            horizontalAlignment: Text.AlignHCenter
        }
    }
    background: Rectangle {
        radius: width / 2
        color: Theme.primary
        opacity: key.down ? 0.16 : 0.07
    }

    Shortcut {
        sequence: key.digit
        enabled: key.enabled
        onActivated: key.clicked()
    }
}
