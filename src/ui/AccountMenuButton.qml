import QtQuick
import QtQuick.Controls
import Vozel.Ui

// The account switcher: one entry per saved account, a tick on the active one, and a way
// into the settings.
HeaderButton {
    id: button

    required property var savedAccounts
    required property string activeAccountID
    signal accountChosen(string id)
    signal manageRequested()

    symbol: "person.2.crop.square.stack"
    text: "Escolher conta"
    ToolTip.visible: hovered
    ToolTip.delay: 600
    ToolTip.text: "Conta ativa: " + (savedAccounts.find(saved => saved.id === activeAccountID)?.label ?? "")

    onClicked: menu.popup(button, 0, button.height)

    Menu {
        id: menu

        Instantiator {
            model: button.savedAccounts
            delegate: MenuItem {
                required property var modelData
                readonly property bool active: modelData.id === button.activeAccountID
                text: modelData.label
                contentItem: Row {
                    spacing: 6
                    Symbol {
                        symbol: "checkmark"
                        size: 12
                        opacity: active ? 1 : 0
                    }
                    Text {
                        text: modelData.label
                        textFormat: Text.PlainText
                        color: Theme.primary
                        font.pixelSize: Theme.bodySize
                        anchors.verticalCenter: parent.verticalCenter
                    }
                }
                onTriggered: button.accountChosen(modelData.id)
            }
            onObjectAdded: (index, object) => menu.insertItem(index, object)
            onObjectRemoved: (index, object) => menu.removeItem(object)
        }
        MenuSeparator {}
        MenuItem {
            text: "Gerenciar contas…"
            onTriggered: button.manageRequested()
        }
    }
}
