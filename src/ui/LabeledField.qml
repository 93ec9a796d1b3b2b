import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A text field whose placeholder is also its accessible name; `value` is what it edits.
TextField {
    id: field

    property string value
    signal edited(string value)

    Layout.fillWidth: true
    text: value
    selectByMouse: true
    Accessible.name: placeholderText
    onTextEdited: field.edited(text)
}
