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
        enabled: sheet.vozel.history.length > 0
        palette.buttonText: Theme.red
        onClicked: sheet.vozel.clearHistory()
    }

    EmptyState {
        objectName: "emptyHistory"
        anchors.centerIn: parent
        visible: sheet.vozel.history.length === 0
        symbol: "phone"
        title: "Sem ligações"
    }

    ListView {
        objectName: "historyList"
        anchors.fill: parent
        visible: sheet.vozel.history.length > 0
        clip: true
        model: sheet.vozel.history
        ScrollBar.vertical: ScrollBar {}
        delegate: CallHistoryRow {
            required property var modelData
            width: ListView.view.width
            item: modelData
            onChosen: {
                sheet.vozel.number = item.number
                sheet.dismissed()
            }
            onDeleteRequested: sheet.vozel.deleteHistoryItem(item.id)
        }
    }
}
