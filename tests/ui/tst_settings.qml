import QtQuick
import QtQuick.Controls
import QtTest
import Vozel.Ui

// What the sheet shows and what its controls reach; the flows behind them are SettingsFormTest's.
UiTestCase {
    name: "Settings"

    Component {
        id: settingsComponent
        SettingsView {}
    }

    function openSettings(accounts, nickname) {
        rig.start(accounts, nickname || "", [])
        const sheet = createTemporaryObject(settingsComponent, this, { vozel: rig.model })
        sheet.requestActivate()
        tryVerify(() => sheet.active)
        return sheet
    }

    function typeInto(field, text) {
        field.forceActiveFocus()
        field.clear()
        for (const character of text)
            keyClick(character)
    }

    function sections(sheet, titles) {
        const headings = collect(sheet.contentItem, object => object instanceof Text
                                 && object.Accessible.role === Accessible.Heading && showing(object))
        return titles.map(title => headings.some(text => text.text === title))
    }

    function lockedDuringACall(sheet, names) {
        rig.reportCall(VozelCallState.Incoming, "3003")
        for (const name of names)
            verify(!control(sheet.contentItem, name).enabled, name)
        rig.reportCall(VozelCallState.Idle)
    }

    function test_setupWithoutAnAccount() {
        const sheet = openSettings(0)
        compare(sections(sheet, ["Configurar", "Contas", "Ramal"]), [true, false, false])
        verify(!control(sheet.contentItem, "Configurar ramal").enabled)
        rig.failProvisioning("O servidor recusou o link.")
        typeInto(control(sheet.contentItem, "Cole o endereço do QR Code"), "https://pbx.example.com/x")
        mouseClick(control(sheet.contentItem, "Configurar ramal"))
        tryVerify(() => textsUnder(sheet.contentItem).includes("O servidor recusou o link."))

        rig.pressAccessibly(control(sheet.contentItem, "Manual"))
        for (const [label, property, text] of [["Nome da conta (ex.: zarko, Casa Norte)", "manualName", "Casa"],
                                               ["Ramal", "manualExtension", "2001"],
                                               ["Usuário de autenticação", "manualUser", "u2001"],
                                               ["Senha SIP", "manualPassword", " "],
                                               ["Servidor SIP", "manualHost", "pbx.example.com"],
                                               ["Porta", "manualPort", "0"]]) {
            typeInto(control(sheet.contentItem, label), text)
            compare(sheet.form[property], text, label)
        }
        verify(!control(sheet.contentItem, "Salvar e reconectar").enabled)
        typeInto(control(sheet.contentItem, "Porta"), "+5060")
        verify(control(sheet.contentItem, "Salvar e reconectar").enabled)
    }

    function test_theActiveAccount() {
        const sheet = openSettings(2, "Loja Sul")
        rig.reportRegistration(RegistrationState.Failed, "Senha recusada")
        compare(sections(sheet, ["Contas", "Ramal", "Configurar"]), [true, true, false])
        const picker = control(sheet.contentItem, "Conta ativa")
        compare(picker.currentText, "Loja Sul · Ramal 2001")
        compare(control(sheet.contentItem, "Nome da conta (ex.: Zarko, Loja Sul)").text, "Loja Sul")
        for (const expected of ["2001", "Sem conexão", "Senha recusada", "pbx.example.com:5060", "UDP"])
            verify(textsUnder(sheet.contentItem).includes(expected), expected)
        lockedDuringACall(sheet, ["Conta ativa", "Adicionar conta", "Editar configuração", "Remover esta conta"])

        mouseClick(control(sheet.contentItem, "Editar configuração"))
        compare(sections(sheet, ["Editar conexão"]), [true])
        compare(["Ramal", "Usuário de autenticação", "Servidor SIP", "Porta"].map(name => control(sheet.contentItem, name).text),
                ["2001", "2001", "pbx.example.com", "5060"])
        const toggle = control(sheet.contentItem, "Ativar registro SIP")
        mouseClick(toggle)
        tryCompare(rig.model, "registrationKind", RegistrationState.Disabled)
        verify(!toggle.checked)
        lockedDuringACall(sheet, ["Ramal"])
        mouseClick(control(sheet.contentItem, "Cancelar"))
        compare(sections(sheet, ["Editar conexão"]), [false])

        // A refused choice shows the active account again.
        rig.failSecretStore()
        picker.forceActiveFocus()
        keyClick(picker.currentIndex === 0 ? Qt.Key_Down : Qt.Key_Up)
        compare(picker.currentText, "Loja Sul · Ramal 2001")
    }

    function test_devicesAddingAndRemoving() {
        const sheet = openSettings(2)
        verify(textsUnder(sheet.contentItem).includes("Os dispositivos aparecerão quando o ramal estiver conectado."))

        rig.plugDevices()
        const microphone = control(sheet.contentItem, "Microfone")
        compare(microphone.currentText, "Vozel Headset · USB")
        compare(control(sheet.contentItem, "Campainha").currentText, "Alto-falantes internos")
        microphone.currentIndex = 1
        microphone.activated(1)
        compare(rig.model.microphoneDeviceID, "mic")

        const login = control(sheet.contentItem, "Abrir Vozel ao iniciar a sessão")
        login.clicked()
        verify(rig.model.launchAtLogin && login.checked)

        mouseClick(control(sheet.contentItem, "Adicionar conta"))
        compare(sections(sheet, ["Adicionar conta", "Ramal"]), [true, false])
        lockedDuringACall(sheet, ["Cole o endereço do QR Code"])
        mouseClick(control(sheet.contentItem, "Cancelar"))
        compare(sections(sheet, ["Adicionar conta", "Ramal", "Editar conexão"]), [false, true, false])

        const dialog = find(sheet.contentItem, "removalConfirmation")
        for (const answer of ["Cancelar", "Remover conta"]) {
            mouseClick(control(sheet.contentItem, "Remover esta conta"))
            tryVerify(() => dialog.opened)
            mouseClick(find(dialog, answer))
            tryVerify(() => !dialog.visible)
        }
        compare(rig.model.savedAccounts.length, 1)
        compare(rig.model.account.extension, "2002")
    }
}
