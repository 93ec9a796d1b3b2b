import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vozel.Ui

// A labelled pop-up list over `model`, whose entries show `textRole` and are chosen by
// `valueRole`; `selected` is the value shown.
RowLayout {
    id: picker

    required property string label
    property alias model: box.model
    property alias textRole: box.textRole
    property alias valueRole: box.valueRole
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
        id: box

        // Reading `model` and `count` ties the index to the entries (which fill in after
        // creation) as well as to the selection.
        function selectedIndex() {
            return model && count > 0 ? indexOfValue(picker.selected) : -1
        }

        Layout.fillWidth: true
        Layout.preferredWidth: 200
        currentIndex: selectedIndex()
        focusPolicy: Qt.TabFocus
        Accessible.name: picker.label
        onActivated: index => {
            picker.chosen(valueAt(index))
            // A choice is only a request: once the model has answered, show what it holds.
            currentIndex = Qt.binding(selectedIndex)
        }
    }
}
