import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vozel.Ui

// One number of a contact: the name, then the label (when there is one) and the number.
ItemDelegate {
    id: row

    required property var phone
    signal chosen()

    text: phone.name
    focusPolicy: Qt.TabFocus
    Accessible.name: [phone.name, phone.label, phone.number].filter(part => part !== "").join(", ")
    Accessible.onPressAction: row.chosen()
    onClicked: row.chosen()

    contentItem: RowLayout {
        spacing: 10
        Symbol {
            symbol: "person.crop.circle.fill"
            color: Theme.secondary
            size: Theme.title2SymbolSize
        }
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 2
            Text {
                Layout.fillWidth: true
                text: row.phone.name
                textFormat: Text.PlainText
                color: Theme.primary
                font.pixelSize: Theme.bodySize
                elide: Text.ElideRight
            }
            Row {
                spacing: 5
                Text {
                    objectName: "phoneLabel"
                    visible: row.phone.label !== ""
                    text: row.phone.label
                    textFormat: Text.PlainText
                    color: Theme.secondary
                    font.pixelSize: Theme.captionSize
                }
                Text {
                    objectName: "phoneNumber"
                    text: row.phone.number
                    textFormat: Text.PlainText
                    color: Theme.secondary
                    font.pixelSize: Theme.captionSize
                }
            }
        }
    }
}
