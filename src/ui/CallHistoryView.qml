import QtQuick
import QtQuick.Controls
import Vozel.Ui

// The call history sheet, newest first. A row puts its number in the dialer and closes.
SheetWindow {
    id: sheet

    required property VozelModel vozel

    title: "Histórico"
    width: 380
    height: 500
    minimumWidth: 360
    minimumHeight: 480

    leading: AccessibleButton {
        text: "Fechar"
        flat: true
        onClicked: sheet.dismissed()
    }
    trailing: AccessibleButton {
        text: "Limpar"
        flat: true
        enabled: list.count > 0
        palette.buttonText: Theme.red
        onClicked: sheet.vozel.clearHistory()
    }

    EmptyState {
        objectName: "emptyHistory"
        anchors.centerIn: parent
        visible: list.count === 0
        symbol: "phone"
        title: "Sem ligações"
    }

    ListView {
        id: list
        objectName: "historyList"
        anchors.fill: parent
        visible: count > 0
        clip: true
        model: sheet.vozel.history
        ScrollBar.vertical: ScrollBar {}
        delegate: CallHistoryRow {
            required property string itemID
            width: ListView.view.width
            onChosen: {
                sheet.vozel.number = number
                sheet.dismissed()
            }
            onDeleteRequested: sheet.vozel.deleteHistoryItem(itemID)
        }
    }
}
