import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Vozel.Ui

// The fields of an account typed by hand, with its save button and status line.
ColumnLayout {
    id: manual

    required property SettingsForm form

    Layout.fillWidth: true
    spacing: 8

    LabeledField {
        placeholderText: "Nome da conta (ex.: zarko, Casa Norte)"
        value: manual.form.manualName
        onEdited: value => manual.form.manualName = value
    }
    LabeledField {
        placeholderText: "Ramal"
        value: manual.form.manualExtension
        onEdited: value => manual.form.manualExtension = value
    }
    LabeledField {
        placeholderText: "Usuário de autenticação"
        value: manual.form.manualUser
        onEdited: value => manual.form.manualUser = value
    }
    LabeledField {
        placeholderText: "Senha SIP"
        echoMode: TextInput.Password
        value: manual.form.manualPassword
        onEdited: value => manual.form.manualPassword = value
    }
    LabeledField {
        placeholderText: "Servidor SIP"
        inputMethodHints: Qt.ImhUrlCharactersOnly
        value: manual.form.manualHost
        onEdited: value => manual.form.manualHost = value
    }
    LabeledField {
        placeholderText: "Porta"
        inputMethodHints: Qt.ImhDigitsOnly
        value: manual.form.manualPort
        onEdited: value => manual.form.manualPort = value
    }
    ChoicePicker {
        label: "Transporte"
        choices: [{ value: "udp", text: "UDP" }, { value: "tcp", text: "TCP" }, { value: "tls", text: "TLS" }]
        selected: manual.form.manualTransport
        onChosen: value => manual.form.manualTransport = value
    }
    Button {
        text: "Salvar e reconectar"
        enabled: manual.form.manualConfigurationIsValid
        onClicked: manual.form.saveManualConfiguration()
    }
    Caption {
        visible: manual.form.saveStatus !== ""
        text: manual.form.saveStatus
    }
    Button {
        visible: manual.form.editingConfiguration
        text: "Cancelar"
        onClicked: manual.form.cancelEditing()
    }
}
