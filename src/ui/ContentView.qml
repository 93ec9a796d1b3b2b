import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vozel.Ui

// The dialer: registration state, accounts, the number, the keypad and the call controls.
// Every action is a call on the model; everything shown is read from it.
Rectangle {
    id: dialer

    required property VozelModel vozel

    readonly property bool dialerFocused: dialerArea.activeFocus
    property bool showingSettings: false
    property bool showingHistory: false
    property bool showingContacts: false
    property alias showingTransfer: transferFlow.showing
    readonly property alias transfer: transferFlow
    readonly property ContactDirectory contacts: ContactDirectory {}

    readonly property int contentSpacing: 6
    readonly property int gridSpacing: 8
    readonly property int keySize: 60
    readonly property int keyFontSize: 29
    readonly property int letterFontSize: 8
    readonly property int callButtonSize: 54
    readonly property int sideButtonSize: 42
    readonly property int horizontalPadding: 10
    readonly property int verticalPadding: 8
    readonly property int toolbarButtonSize: 32
    readonly property string creditAddress: "https://www.linphone.org"

    readonly property var keys: [
        { digit: "1", letters: "" }, { digit: "2", letters: "ABC" }, { digit: "3", letters: "DEF" },
        { digit: "4", letters: "GHI" }, { digit: "5", letters: "JKL" }, { digit: "6", letters: "MNO" },
        { digit: "7", letters: "PQRS" }, { digit: "8", letters: "TUV" }, { digit: "9", letters: "WXYZ" },
        { digit: "*", letters: "" }, { digit: "0", letters: "+" }, { digit: "#", letters: "" }
    ]

    readonly property bool inCall: vozel.callKind !== VozelCallState.Idle
    readonly property bool canDial: vozel.number !== "" && vozel.registrationKind === RegistrationState.Connected
    readonly property real numberFontSize: vozel.number.length > 16 ? keyFontSize * 0.75 : keyFontSize
    readonly property bool keyboardCaptureEnabled: !showingSettings && !showingHistory && !showingContacts
                                                   && !showingTransfer && vozel.callKind !== VozelCallState.Incoming

    function returnFocus() {
        dialerArea.forceActiveFocus()
    }

    implicitWidth: 296
    implicitHeight: 520
    color: Theme.windowBackground

    onShowingSettingsChanged: if (!showingSettings) returnFocus()
    onShowingHistoryChanged: if (!showingHistory) returnFocus()
    onShowingContactsChanged: if (!showingContacts) returnFocus()
    onShowingTransferChanged: if (!showingTransfer) returnFocus()
    Component.onCompleted: returnFocus()

    FocusScope {
        id: dialerArea
        objectName: "dialerArea"
        anchors.fill: parent
        activeFocusOnTab: true

        // One stack, centred in the window and padded on every side.
        ColumnLayout {
            anchors.centerIn: parent
            width: parent.width - 2 * dialer.horizontalPadding
            height: Math.min(implicitHeight, parent.height - 2 * dialer.verticalPadding)
            spacing: dialer.contentSpacing

            RowLayout {
                Layout.fillWidth: true
                spacing: 8

                StatusBlock {
                    Layout.alignment: Qt.AlignVCenter
                    Layout.fillWidth: true
                    registrationKind: dialer.vozel.registrationKind
                    registrationMessage: dialer.vozel.registrationMessage
                    account: dialer.vozel.account
                }
                AccountMenuButton {
                    visible: dialer.vozel.savedAccounts.length > 0
                    frameSize: dialer.toolbarButtonSize
                    enabled: dialer.vozel.canChangeAccount
                    savedAccounts: dialer.vozel.savedAccounts
                    activeAccountID: dialer.vozel.activeAccountID
                    onAccountChosen: id => dialer.vozel.selectAccountFromView(id)
                    onManageRequested: dialer.showingSettings = true
                }
                HeaderButton {
                    symbol: "person.crop.circle"
                    frameSize: 40
                    text: "Contatos"
                    onClicked: dialer.showingContacts = true
                }
                HeaderButton {
                    symbol: "clock.arrow.circlepath"
                    frameSize: dialer.toolbarButtonSize
                    text: "Histórico"
                    onClicked: dialer.showingHistory = true
                }
                HeaderButton {
                    symbol: "gearshape.fill"
                    frameSize: dialer.toolbarButtonSize
                    text: "Configurações"
                    onClicked: dialer.showingSettings = true
                }
            }

            Text {
                objectName: "numberDisplay"
                Layout.fillWidth: true
                Layout.minimumHeight: dialer.keySize * 0.55
                text: dialer.vozel.number
                textFormat: Text.PlainText
                color: Theme.primary
                font.pixelSize: Math.round(dialer.numberFontSize)
                fontSizeMode: Text.HorizontalFit
                minimumPixelSize: Math.floor(dialer.numberFontSize * 0.55)
                maximumLineCount: 1
                elide: Text.ElideRight
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }

            Text {
                objectName: "callOrigin"
                visible: dialer.inCall && dialer.vozel.callSourceLabel !== ""
                Layout.fillWidth: true
                Layout.maximumWidth: 320
                text: dialer.vozel.callSourceLabel
                textFormat: Text.PlainText
                color: Theme.secondary
                font.pixelSize: Theme.captionSize
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                maximumLineCount: 2
                elide: Text.ElideRight
            }

            GridLayout {
                Layout.alignment: Qt.AlignHCenter
                Layout.maximumWidth: 3 * dialer.keySize + 2 * dialer.gridSpacing
                columns: 3
                columnSpacing: dialer.gridSpacing
                rowSpacing: dialer.gridSpacing

                Repeater {
                    model: dialer.keys
                    KeypadKey {
                        required property var modelData
                        digit: modelData.digit
                        letters: modelData.letters
                        size: dialer.keySize
                        digitFontSize: dialer.keyFontSize
                        letterFontSize: dialer.letterFontSize
                        onClicked: dialer.vozel.append(digit)
                    }
                }
            }

            RowLayout {
                Layout.alignment: Qt.AlignHCenter
                spacing: dialer.gridSpacing * 1.8

                Item {
                    implicitWidth: dialer.sideButtonSize
                    implicitHeight: dialer.sideButtonSize
                    CircleButton {
                        visible: dialer.inCall
                        anchors.fill: parent
                        diameter: dialer.sideButtonSize
                        symbol: dialer.vozel.speakerEnabled ? "speaker.wave.2.fill" : "speaker.wave.2"
                        symbolColor: dialer.vozel.speakerEnabled ? "white" : Theme.primary
                        fill: dialer.vozel.speakerEnabled
                              ? Theme.primary
                              : Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.07)
                        text: dialer.vozel.speakerEnabled ? "Desativar viva-voz" : "Ativar viva-voz"
                        onClicked: dialer.vozel.toggleSpeaker()
                    }
                }
                CircleButton {
                    diameter: dialer.callButtonSize
                    symbol: dialer.inCall ? "phone.down.fill" : "phone.fill"
                    symbolColor: "white"
                    fill: dialer.inCall ? Theme.red : Theme.callGreen
                    enabled: dialer.inCall || dialer.canDial
                    opacity: enabled ? 1 : 0.45
                    text: dialer.inCall ? "Desligar" : "Ligar"
                    shortcutKeys: ["Return", "Enter"]
                    onClicked: dialer.vozel.callOrHangUp()
                }
                CircleButton {
                    readonly property bool mutedInCall: dialer.inCall && dialer.vozel.muted
                    diameter: dialer.sideButtonSize
                    symbol: !dialer.inCall ? "delete.left" : (dialer.vozel.muted ? "mic.slash.fill" : "mic.fill")
                    symbolSize: Theme.title2SymbolSize
                    symbolColor: mutedInCall ? "white" : Theme.primary
                    fill: mutedInCall ? Theme.red : Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.07)
                    enabled: dialer.inCall || dialer.vozel.number !== ""
                    opacity: enabled ? 1 : 0
                    text: !dialer.inCall ? "Apagar" : (dialer.vozel.muted ? "Ativar microfone" : "Silenciar microfone")
                    shortcutKeys: ["Backspace", "Delete"]
                    onClicked: dialer.inCall ? dialer.vozel.toggleMute() : dialer.vozel.deleteDigit()
                }
            }

            SymbolButton {
                visible: dialer.inCall
                Layout.alignment: Qt.AlignHCenter
                Layout.topMargin: 10 - dialer.contentSpacing
                symbol: "phone.arrow.right"
                prominent: true
                tint: dialer.vozel.attendedTransferReady ? Theme.blue : Theme.secondary
                text: dialer.vozel.attendedTransferReady ? "Concluir transferência" : "Transferir"
                enabled: dialer.vozel.callKind === VozelCallState.Connected
                onClicked: dialer.vozel.attendedTransferReady ? dialer.vozel.completeAttendedTransfer()
                                                              : dialer.showingTransfer = true
            }

            Row {
                Layout.alignment: Qt.AlignHCenter
                spacing: 3
                Accessible.role: Accessible.Link
                Accessible.name: credit.text + " " + link.text
                Text {
                    id: credit
                    text: "Chamadas por"
                    color: Theme.secondary
                    font.pixelSize: Theme.captionSize
                    Accessible.ignored: true
                }
                Text {
                    id: link
                    text: "liblinphone"
                    color: Theme.secondary
                    font.pixelSize: Theme.captionSize
                    font.weight: Font.DemiBold
                    Accessible.ignored: true
                    TapHandler { onTapped: Qt.openUrlExternally(dialer.creditAddress) }
                    HoverHandler { cursorShape: Qt.PointingHandCursor }
                }
            }
        }
    }

    Loader {
        id: settings
        active: dialer.showingSettings
        sourceComponent: SettingsView {
            vozel: dialer.vozel
            transientParent: dialer.Window.window
            onDismissed: dialer.showingSettings = false
        }
    }

    Loader {
        active: dialer.showingHistory
        sourceComponent: CallHistoryView {
            vozel: dialer.vozel
            transientParent: dialer.Window.window
            onDismissed: dialer.showingHistory = false
        }
    }

    Loader {
        active: dialer.showingContacts
        sourceComponent: ContactPickerView {
            directory: dialer.contacts
            search: ""
            transientParent: dialer.Window.window
            onSelected: number => {
                dialer.vozel.number = number
                dialer.showingContacts = false
            }
            onDismissed: dialer.showingContacts = false
        }
    }

    DialerKeyboard {
        model: dialer.vozel
        enabled: dialer.keyboardCaptureEnabled
        window: dialer.Window.window
    }

    DialerTransfer {
        id: transferFlow
        model: dialer.vozel
    }

    ErrorAlert {
        message: dialer.vozel.errorMessage
        // Over the window the error is about, blocking that one only.
        transientParent: dialer.showingTransfer ? transferFlow.panel : settings.item ?? dialer.Window.window
        onDismissed: dialer.vozel.errorMessage = ""
    }
}
