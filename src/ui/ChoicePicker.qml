import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vozel.Ui

// A labelled pop-up list over entries {value, text}; `selected` is the value shown.
RowLayout {
    id: picker

    required property string label
    property var choices: []
    property string selected
    signal chosen(string value)

    Layout.fillWidth: true
    spacing: 8

    Text {
        Layout.preferredWidth: 112
        text: picker.label
        color: Theme.primary
        font.pixelSize: Theme.bodySize
    }
    ComboBox {
        Layout.fillWidth: true
        Layout.preferredWidth: 200
        model: picker.choices
        textRole: "text"
        valueRole: "value"
        currentIndex: ViewText.choiceIndex(picker.choices, picker.selected)
        focusPolicy: Qt.TabFocus
        Accessible.name: picker.label
        onActivated: index => {
            picker.chosen(valueAt(index))
            // A choice is only a request: once the model has answered, show what it holds.
            currentIndex = Qt.binding(() => ViewText.choiceIndex(picker.choices, picker.selected))
        }
    }
}
