import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vozel.Ui

// The settings sheet: accounts, the active extension, audio devices, start at login and
// the version. Its editing state lives in `form`; lasting changes go to the model.
SheetWindow {
    id: sheet

    required property VozelModel vozel
    readonly property SettingsForm form: SettingsForm {
        model: sheet.vozel
        onCloseRequested: sheet.dismissed()
    }
    readonly property bool hasAccount: vozel.account !== undefined && vozel.account !== null
    readonly property bool showsAccount: hasAccount && !form.addingAccount

    title: "Vozel"
    width: 460
    height: 600
    minimumWidth: 460
    maximumWidth: 460
    minimumHeight: 600
    maximumHeight: 600

    trailing: AccessibleButton {
        text: "Concluir"
        enabled: sheet.form.canFinish
        highlighted: true
        onClicked: sheet.form.finish()
    }

    ScrollView {
        id: scroller
        anchors.fill: parent
        contentWidth: availableWidth

        ColumnLayout {
            width: scroller.availableWidth - 32
            x: 16
            spacing: 18

            Item { implicitHeight: 2 }

            FormSection {
                title: "Contas"
                visible: sheet.vozel.savedAccounts.length > 0

                ChoicePicker {
                    label: "Conta ativa"
                    enabled: sheet.vozel.canChangeAccount
                    model: sheet.vozel.savedAccounts
                    textRole: "label"
                    valueRole: "id"
                    selected: sheet.vozel.activeAccountID
                    onChosen: id => sheet.form.chooseAccount(id)
                }
                SymbolButton {
                    symbol: "plus.circle"
                    text: "Adicionar conta"
                    enabled: sheet.vozel.canChangeAccount
                    onClicked: sheet.form.beginAdding()
                }
                Caption { text: "Somente a conta ativa recebe e realiza chamadas." }
            }

            FormSection {
                title: "Ramal"
                visible: sheet.showsAccount

                RowLayout {
                    Layout.fillWidth: true
                    LabeledField {
                        placeholderText: "Nome da conta (ex.: Zarko, Loja Sul)"
                        value: sheet.form.accountNickname
                        onEdited: value => sheet.form.accountNickname = value
                    }
                    AccessibleButton {
                        text: "Salvar nome"
                        onClicked: sheet.form.renameAccount()
                    }
                }
                FormRow {
                    label: "Número"
                    value: sheet.hasAccount ? sheet.vozel.account.extension : ""
                }
                FormRow {
                    label: "Estado"
                    value: ViewText.registrationTitle(sheet.vozel.registrationKind)
                }
                Caption {
                    visible: sheet.vozel.registrationKind === RegistrationState.Failed
                    text: sheet.vozel.registrationMessage
                    color: Theme.red
                }
                FormRow {
                    label: "Servidor"
                    value: sheet.hasAccount ? sheet.vozel.account.host + ":" + sheet.vozel.account.port : ""
                }
                FormRow {
                    label: "Transporte"
                    value: sheet.hasAccount ? sheet.vozel.account.transport.toUpperCase() : ""
                }
                SymbolButton {
                    symbol: "pencil"
                    text: "Editar configuração"
                    enabled: sheet.vozel.canChangeAccount
                    onClicked: sheet.form.beginEditing()
                }
            }

            FormSection {
                title: "Editar conexão"
                visible: sheet.showsAccount && sheet.form.editingConfiguration
                enabled: sheet.vozel.canChangeAccount

                Switch {
                    text: "Ativar registro SIP"
                    checkable: false
                    checked: sheet.vozel.registrationEnabled
                    onClicked: sheet.vozel.setRegistrationEnabledFromView(!sheet.vozel.registrationEnabled)
                }
                Caption { text: "Desative para manter as configurações salvas sem deixar este ramal ativo." }
                ManualAccountForm { form: sheet.form }
            }

            FormSection {
                visible: sheet.showsAccount && !sheet.form.editingConfiguration

                SymbolButton {
                    text: "Remover esta conta"
                    tint: Theme.red
                    enabled: sheet.vozel.canChangeAccount
                    onClicked: sheet.form.confirmingRemoval = true
                }
                // Where the result of the last save stays readable once its form has closed.
                Caption {
                    objectName: "accountSaveStatus"
                    visible: sheet.form.saveStatus !== ""
                    text: sheet.form.saveStatus
                }
            }

            FormSection {
                title: sheet.form.addingAccount ? "Adicionar conta" : "Configurar"
                visible: !sheet.hasAccount || sheet.form.addingAccount
                enabled: sheet.vozel.canChangeAccount

                TabBar {
                    Layout.fillWidth: true
                    currentIndex: sheet.form.setupMode
                    Accessible.name: "Modo"
                    // Like every button, the two tabs answer a screen reader's press action.
                    TabButton {
                        text: "QR Code"
                        Accessible.onPressAction: clicked()
                        onClicked: sheet.form.setupMode = 0
                    }
                    TabButton {
                        text: "Manual"
                        Accessible.onPressAction: clicked()
                        onClicked: sheet.form.setupMode = 1
                    }
                }
                ColumnLayout {
                    visible: sheet.form.setupMode === 0
                    Layout.fillWidth: true
                    spacing: 8

                    LabeledField {
                        placeholderText: "Nome da conta (ex.: Zarko, Loja Sul)"
                        value: sheet.form.manualName
                        onEdited: value => sheet.form.manualName = value
                    }
                    LabeledField {
                        placeholderText: "Cole o endereço do QR Code"
                        inputMethodHints: Qt.ImhUrlCharactersOnly
                        value: sheet.form.provisioningURL
                        onEdited: value => sheet.form.provisioningURL = value
                    }
                    AccessibleButton {
                        text: "Configurar ramal"
                        enabled: sheet.form.provisioningURL !== ""
                        onClicked: sheet.form.configureProvisioning()
                    }
                    Caption {
                        visible: sheet.form.saveStatus !== ""
                        text: sheet.form.saveStatus
                    }
                }
                ManualAccountForm {
                    visible: sheet.form.setupMode === 1
                    form: sheet.form
                }
                AccessibleButton {
                    visible: sheet.form.addingAccount
                    text: "Cancelar"
                    onClicked: sheet.form.cancelAdding()
                }
            }

            FormSection {
                title: "Áudio"

                Caption {
                    visible: sheet.vozel.recordingDevices.length === 0 && sheet.vozel.playingDevices.length === 0
                    text: "Os dispositivos aparecerão quando o ramal estiver conectado."
                }
                ChoicePicker {
                    visible: sheet.vozel.recordingDevices.length > 0
                    label: "Microfone"
                    model: sheet.vozel.recordingDevices
                    textRole: "label"
                    valueRole: "id"
                    selected: sheet.vozel.microphoneDeviceID
                    onChosen: id => sheet.vozel.setMicrophoneDevice(id)
                }
                ChoicePicker {
                    visible: sheet.vozel.playingDevices.length > 0
                    label: "Áudio da ligação"
                    model: sheet.vozel.playingDevices
                    textRole: "label"
                    valueRole: "id"
                    selected: sheet.vozel.callOutputDeviceID
                    onChosen: id => sheet.vozel.setCallOutputDevice(id)
                }
                ChoicePicker {
                    visible: sheet.vozel.playingDevices.length > 0
                    label: "Campainha"
                    model: sheet.vozel.playingDevices
                    textRole: "label"
                    valueRole: "id"
                    selected: sheet.vozel.ringerDeviceID
                    onChosen: id => sheet.vozel.setRingerDevice(id)
                }
                Caption { text: "Você pode tocar nos alto-falantes do computador e conversar pelo Vozel USB." }
            }

            FormSection {
                title: "Sistema"

                Switch {
                    text: "Abrir Vozel ao iniciar a sessão"
                    checkable: false
                    checked: sheet.vozel.launchAtLogin
                    onClicked: sheet.vozel.setLaunchAtLogin(!sheet.vozel.launchAtLogin)
                }
                Caption {
                    text: "Com o Vozel aberto, chamadas tocam mesmo com a tela bloqueada. O computador precisa estar ligado e fora de suspensão."
                }
            }

            FormSection {
                title: "Sobre"

                FormRow {
                    label: "Aplicativo"
                    value: "Vozel"
                }
                FormRow {
                    label: "Versão"
                    value: Qt.application.version
                }
            }

            Item { implicitHeight: 8 }
        }
    }

    Dialog {
        id: removal
        objectName: "removalConfirmation"
        anchors.centerIn: parent
        modal: true
        title: "Remover a conta ativa deste computador?"
        visible: sheet.form.confirmingRemoval
        onClosed: sheet.form.confirmingRemoval = false

        footer: DialogButtonBox {
            AccessibleButton {
                text: "Cancelar"
                DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
            }
            AccessibleButton {
                text: "Remover conta"
                palette.buttonText: Theme.red
                DialogButtonBox.buttonRole: DialogButtonBox.DestructiveRole
                onClicked: sheet.form.removeAccount()
            }
        }
        onRejected: sheet.form.confirmingRemoval = false
    }
}
