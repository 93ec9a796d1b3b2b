import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vozel.Ui

// A text field under its label, which stays in view once the field is filled (the
// placeholder does not). The placeholder is the field's accessible name; `value` is what
// it edits.
ColumnLayout {
    id: labeled

    property string label
    property alias placeholderText: field.placeholderText
    property alias echoMode: field.echoMode
    property alias inputMethodHints: field.inputMethodHints
    property string value
    signal edited(string value)

    Layout.fillWidth: true
    spacing: 2

    Text {
        visible: labeled.label !== ""
        text: labeled.label
        color: Theme.secondary
        font.pixelSize: Theme.captionSize
        Accessible.ignored: true
    }
    TextField {
        id: field
        Layout.fillWidth: true
        text: labeled.value
        selectByMouse: true
        Accessible.name: placeholderText
        onTextEdited: labeled.edited(text)
    }
}
