import QtQuick
import QtQuick.Layouts
import Vozel.Ui

// What a list shows when it has nothing: a large symbol, a title and an optional line.
ColumnLayout {
    id: empty

    required property string symbol
    required property string title
    property string description

    spacing: 8

    Symbol {
        Layout.alignment: Qt.AlignHCenter
        symbol: empty.symbol
        size: 32
        color: Theme.secondary
    }
    Text {
        Layout.alignment: Qt.AlignHCenter
        text: empty.title
        color: Theme.primary
        font.pixelSize: 17
        font.weight: Font.DemiBold
    }
    Text {
        visible: empty.description !== ""
        Layout.alignment: Qt.AlignHCenter
        Layout.maximumWidth: 300
        text: empty.description
        color: Theme.secondary
        font.pixelSize: Theme.bodySize
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.Wrap
    }
}
