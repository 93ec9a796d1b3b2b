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
        label: "Nome da conta"
        placeholderText: "Nome da conta (ex.: zarko, Casa Norte)"
        value: manual.form.manualName
        onEdited: value => manual.form.manualName = value
    }
    LabeledField {
        label: "Ramal"
        placeholderText: "Ramal"
        value: manual.form.manualExtension
        onEdited: value => manual.form.manualExtension = value
    }
    LabeledField {
        label: "Usuário de autenticação"
        placeholderText: "Usuário de autenticação"
        value: manual.form.manualUser
        onEdited: value => manual.form.manualUser = value
    }
    LabeledField {
        label: "Senha SIP"
        placeholderText: "Senha SIP"
        echoMode: TextInput.Password
        value: manual.form.manualPassword
        onEdited: value => manual.form.manualPassword = value
    }
    LabeledField {
        label: "Servidor SIP"
        placeholderText: "Servidor SIP"
        inputMethodHints: Qt.ImhUrlCharactersOnly
        value: manual.form.manualHost
        onEdited: value => manual.form.manualHost = value
    }
    LabeledField {
        label: "Porta"
        placeholderText: "Porta"
        inputMethodHints: Qt.ImhDigitsOnly
        value: manual.form.manualPort
        onEdited: value => manual.form.manualPort = value
    }
    ChoicePicker {
        label: "Transporte"
        model: [{ value: "udp", text: "UDP" }, { value: "tcp", text: "TCP" }, { value: "tls", text: "TLS" }]
        textRole: "text"
        valueRole: "value"
        selected: manual.form.manualTransport
        onChosen: value => manual.form.manualTransport = value
    }
    AccessibleButton {
        text: "Salvar e reconectar"
        enabled: manual.form.manualConfigurationIsValid
        onClicked: manual.form.saveManualConfiguration()
    }
    Caption {
        visible: manual.form.saveStatus !== ""
        text: manual.form.saveStatus
    }
    AccessibleButton {
        visible: manual.form.editingConfiguration
        text: "Cancelar"
        onClicked: manual.form.cancelEditing()
    }
}
