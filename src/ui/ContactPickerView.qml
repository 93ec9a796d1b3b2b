import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vozel.Ui

// The contacts sheet: the numbers of the address book, narrowed by a search. Every showing
// reloads the directory. Choosing a number emits `selected`; the opener decides what follows.
SheetWindow {
    id: sheet

    required property QtObject directory // a ContactDirectory
    property string search: ""
    signal selected(string number)

    readonly property string phase: directory.loading ? "loading"
                                  : directory.accessDenied ? "denied"
                                  : directory.contacts.count === 0 ? "empty" : "list"

    Binding {
        target: sheet.directory.contacts
        property: "query"
        value: sheet.search
    }

    title: "Contatos"
    width: 430
    height: 480
    minimumWidth: 430
    maximumWidth: 430
    minimumHeight: 480
    maximumHeight: 480

    // The dialer creates the sheet for every showing.
    Component.onCompleted: directory.reload()

    leading: AccessibleButton {
        objectName: "closeButton"
        text: "Fechar"
        flat: true
        onClicked: sheet.dismissed()
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        Rectangle {
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 12
            Layout.bottomMargin: 12
            implicitWidth: 290
            implicitHeight: 38
            radius: height / 2
            color: Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.06)

            RowLayout {
                anchors { fill: parent; leftMargin: 12; rightMargin: 12 }
                spacing: 6
                Symbol {
                    symbol: "magnifyingglass"
                    color: Theme.secondary
                    size: 16
                }
                TextField {
                    objectName: "searchField"
                    Layout.fillWidth: true
                    text: sheet.search
                    placeholderText: "Buscar contato"
                    background: null
                    focus: true
                    Accessible.name: "Buscar contato"
                    onTextEdited: sheet.search = text
                }
                AccessibleButton {
                    objectName: "clearSearchButton"
                    visible: sheet.search !== ""
                    flat: true
                    focusPolicy: Qt.TabFocus
                    Accessible.name: "Limpar busca"
                    contentItem: Symbol {
                        symbol: "xmark.circle.fill"
                        color: Theme.secondary
                        size: 16
                    }
                    onClicked: sheet.search = ""
                }
            }
        }

        Rectangle {
            Layout.fillWidth: true
            implicitHeight: 1
            color: Theme.separator
        }

        Item {
            Layout.fillWidth: true
            Layout.fillHeight: true

            ColumnLayout {
                objectName: "loadingState"
                anchors { top: parent.top; horizontalCenter: parent.horizontalCenter; topMargin: 24 }
                visible: sheet.phase === "loading"
                spacing: 8
                BusyIndicator {
                    Layout.alignment: Qt.AlignHCenter
                    running: parent.visible
                    Accessible.name: "Carregando contatos…"
                }
                Text {
                    Layout.alignment: Qt.AlignHCenter
                    text: "Carregando contatos…"
                    color: Theme.secondary
                    font.pixelSize: Theme.bodySize
                }
            }

            ContactPickerNotice {
                objectName: "deniedState"
                anchors.centerIn: parent
                width: parent.width - 64
                visible: sheet.phase === "denied"
                symbol: "person.crop.circle.badge.exclamationmark"
                headline: "Não foi possível ler os contatos"
                explanation: sheet.directory.accessError !== "" ? sheet.directory.accessError
                             : "Ative a agenda do sistema (Contatos) e tente novamente."
                actionText: "Tentar novamente"
                prominentAction: true
                onActionTriggered: sheet.directory.reload()
            }

            ContactPickerNotice {
                objectName: "emptyState"
                anchors.centerIn: parent
                width: parent.width - 64
                visible: sheet.phase === "empty"
                symbol: sheet.search === "" ? "person.crop.circle.badge.questionmark" : "magnifyingglass"
                headline: sheet.search === "" ? "Nenhum contato disponível no computador" : "Nenhum contato encontrado"
                explanation: sheet.search === ""
                             ? "Abra o app Contatos do sistema e confirme se seus contatos do Google, Nextcloud ou Exchange estão sincronizados."
                             : "Tente buscar por outro nome ou número."
                actionText: "Atualizar contatos"
                onActionTriggered: sheet.directory.reload()
            }

            ListView {
                objectName: "contactList"
                anchors.fill: parent
                visible: sheet.phase === "list"
                clip: true
                model: sheet.directory.contacts
                ScrollBar.vertical: ScrollBar {}
                delegate: ContactPhoneRow {
                    required property string name
                    required property string label
                    required property string number
                    width: ListView.view.width
                    phone: ({ name: name, label: label, number: number })
                    onChosen: sheet.selected(number)
                }
            }
        }
    }
}
