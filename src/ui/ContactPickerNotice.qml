import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vozel.Ui

// What the contacts sheet shows instead of the list: a symbol, a headline, an explanation and
// one action button.
ColumnLayout {
    id: notice

    required property string symbol
    required property string headline
    property string explanation
    required property string actionText
    property bool prominentAction: false
    signal actionTriggered()

    spacing: 10

    Symbol {
        Layout.alignment: Qt.AlignHCenter
        symbol: notice.symbol
        size: 38
        color: Theme.secondary
    }
    Text {
        Layout.fillWidth: true
        text: notice.headline
        color: Theme.primary
        font.pixelSize: Theme.headlineSize
        font.weight: Font.DemiBold
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.Wrap
        Accessible.role: Accessible.Heading
    }
    Text {
        Layout.fillWidth: true
        visible: notice.explanation !== ""
        text: notice.explanation
        color: Theme.secondary
        font.pixelSize: Theme.bodySize
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.Wrap
    }
    AccessibleButton {
        Layout.alignment: Qt.AlignHCenter
        Layout.topMargin: 4
        text: notice.actionText
        highlighted: notice.prominentAction
        onClicked: notice.actionTriggered()
    }
}
