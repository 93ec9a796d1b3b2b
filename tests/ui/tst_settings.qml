import QtQuick
import QtQuick.Controls
import QtTest
import Vozel.Ui

// What the settings sheet shows of its form and the model, and what its controls reach;
// the flows behind the buttons are SettingsFormTest's.
UiTestCase {
    name: "Settings"

    Component {
        id: settingsComponent
        SettingsView {}
    }

    function openSettings(options) {
        rig.start(options || {})
        const sheet = createTemporaryObject(settingsComponent, this, { vozel: rig.model })
        verify(sheet !== null)
        sheet.requestActivate()
        tryVerify(() => sheet.active)
        return sheet
    }

    function typeInto(field, text) {
        field.forceActiveFocus()
        field.selectAll()
        keyClick(Qt.Key_Delete)
        for (const character of text)
            keyClick(character)
    }

    function sectionShown(sheet, title) {
        return textItemsUnder(sheet.contentItem).some(text => text.text === title
                                                       && text.Accessible.role === Accessible.Heading)
    }

    function shows(sheet, text) {
        return textsUnder(sheet.contentItem).includes(text)
    }

    function test_setupWithoutAnAccount() {
        const sheet = openSettings()
        let dismissed = 0
        sheet.dismissed.connect(() => ++dismissed)
        verify(sectionShown(sheet, "Configurar"))
        verify(!sectionShown(sheet, "Contas"))
        verify(!sectionShown(sheet, "Ramal"))
        compare(control(sheet.contentItem, "Modo").currentIndex, 0)
        verify(!control(sheet.contentItem, "Configurar ramal").enabled)

        rig.failProvisioning("O servidor recusou o link.")
        typeInto(control(sheet.contentItem, "Cole o endereço do QR Code"), "https://pbx.example.com/x")
        compare(sheet.form.provisioningURL, "https://pbx.example.com/x")
        click(control(sheet.contentItem, "Configurar ramal"))
        tryVerify(() => shows(sheet, "O servidor recusou o link."))

        rig.pressAccessibly(control(sheet.contentItem, "Manual"))
        compare(sheet.form.setupMode, 1)
        compare(control(sheet.contentItem, "Transporte").currentValue, "udp")
        typeInto(control(sheet.contentItem, "Nome da conta (ex.: zarko, Casa Norte)"), "Casa")
        typeInto(control(sheet.contentItem, "Ramal"), "2001")
        typeInto(control(sheet.contentItem, "Usuário de autenticação"), "u2001")
        typeInto(control(sheet.contentItem, "Senha SIP"), " ")
        typeInto(control(sheet.contentItem, "Servidor SIP"), "pbx.example.com")
        typeInto(control(sheet.contentItem, "Porta"), "0")
        compare([sheet.form.manualName, sheet.form.manualExtension, sheet.form.manualUser, sheet.form.manualPassword,
                 sheet.form.manualHost, sheet.form.manualPort], ["Casa", "2001", "u2001", " ", "pbx.example.com", "0"])
        verify(!control(sheet.contentItem, "Salvar e reconectar").enabled)
        verify(!control(sheet.contentItem, "Concluir").enabled)
        // Filled fields show no placeholder: their labels tell them apart.
        for (const label of ["Ramal", "Usuário de autenticação", "Servidor SIP"])
            verify(shows(sheet, label), label)

        typeInto(control(sheet.contentItem, "Porta"), "+5060")
        verify(control(sheet.contentItem, "Salvar e reconectar").enabled)
        click(control(sheet.contentItem, "Concluir"))
        tryVerify(() => dismissed === 1)
        compare(rig.model.account.authUser, "u2001")
        compare(rig.model.account.port, 5060)
    }

    function test_theActiveAccount() {
        const sheet = openSettings({ accounts: 2, nickname: "Loja Sul" })
        rig.reportRegistration("failed", "Senha recusada")
        verify(sectionShown(sheet, "Contas"))
        verify(sectionShown(sheet, "Ramal"))
        verify(!sectionShown(sheet, "Configurar"))
        const picker = control(sheet.contentItem, "Conta ativa")
        compare(picker.currentText, "Loja Sul · Ramal 2001")
        compare(control(sheet.contentItem, "Nome da conta (ex.: Zarko, Loja Sul)").text, "Loja Sul")
        for (const expected of ["2001", "Sem conexão", "Senha recusada", "pbx.example.com:5060", "UDP",
                                "Somente a conta ativa recebe e realiza chamadas."])
            verify(shows(sheet, expected), expected)

        rig.reportCall("incoming", "3003")
        for (const name of ["Conta ativa", "Adicionar conta", "Editar configuração", "Remover esta conta"])
            verify(!control(sheet.contentItem, name).enabled, name)
        rig.reportCall("idle")

        click(control(sheet.contentItem, "Editar configuração"))
        verify(sectionShown(sheet, "Editar conexão"))
        compare(control(sheet.contentItem, "Servidor SIP").text, "pbx.example.com")
        const toggle = control(sheet.contentItem, "Ativar registro SIP")
        verify(toggle.checked)
        click(toggle)
        tryCompare(rig.model, "registrationKind", RegistrationState.Disabled)
        verify(!rig.model.registrationEnabled)
        verify(!toggle.checked)
        rig.reportCall("incoming", "3003")
        verify(!control(sheet.contentItem, "Ramal").enabled)
        rig.reportCall("idle")
        click(control(sheet.contentItem, "Cancelar"))
        verify(!sectionShown(sheet, "Editar conexão"))

        // A refused choice shows the active account again.
        rig.failSecretStore()
        picker.forceActiveFocus()
        keyClick(picker.currentIndex === 0 ? Qt.Key_Down : Qt.Key_Up)
        compare(picker.currentText, "Loja Sul · Ramal 2001")
    }

    function test_addingByLinkEndsOnTheNewAccount() {
        const sheet = openSettings({ accounts: 1, registration: "connected" })
        rig.provide("2009")
        click(control(sheet.contentItem, "Adicionar conta"))
        verify(sectionShown(sheet, "Adicionar conta"))
        verify(!sectionShown(sheet, "Ramal"))
        click(control(sheet.contentItem, "Manual"))
        compare(control(sheet.contentItem, "Porta").text, "5060")
        compare(control(sheet.contentItem, "Transporte").currentText, "UDP")
        compare(findAll(sheet.contentItem, "Cancelar").filter(button => showing(button)).length, 2)
        rig.pressAccessibly(control(sheet.contentItem, "QR Code"))
        rig.reportCall("incoming", "3003")
        verify(!control(sheet.contentItem, "Cole o endereço do QR Code").enabled)
        rig.reportCall("idle")

        verify(control(sheet.contentItem, "Concluir").enabled)
        typeInto(control(sheet.contentItem, "Cole o endereço do QR Code"), "https://pbx.example.com/api/pabx-vozel?t=9")
        click(control(sheet.contentItem, "Configurar ramal"))
        tryVerify(() => rig.model.account.extension === "2009")
        verify(sectionShown(sheet, "Ramal"))
        verify(!sectionShown(sheet, "Adicionar conta"))
        verify(!sectionShown(sheet, "Editar conexão"))
        verify(shows(sheet, "Conta salva."))
    }

    function test_removalAsksFirst() {
        const sheet = openSettings({ accounts: 2, registration: "connected" })
        click(control(sheet.contentItem, "Remover esta conta"))
        const dialog = find(sheet.contentItem, "removalConfirmation")
        tryVerify(() => dialog.opened)
        click(find(dialog, "Cancelar"))
        tryVerify(() => !dialog.visible)
        compare(rig.storedAccountCount(), 2)

        click(control(sheet.contentItem, "Remover esta conta"))
        tryVerify(() => dialog.opened)
        click(find(dialog, "Remover conta"))
        tryVerify(() => rig.model.account.extension === "2002")
        compare(rig.storedAccountCount(), 1)
    }

    function test_devicesStartAtLoginAndVersion() {
        Qt.application.version = "9.8.7"
        const sheet = openSettings({ accounts: 1, registration: "connected" })
        verify(shows(sheet, "Os dispositivos aparecerão quando o ramal estiver conectado."))
        verify(!showing(find(sheet.contentItem, "Microfone")))
        verify(shows(sheet, "9.8.7"))

        rig.plugDevices()
        const microphone = control(sheet.contentItem, "Microfone")
        compare(microphone.count, 2)
        compare(microphone.currentText, "Vozel Headset · USB")
        compare(control(sheet.contentItem, "Áudio da ligação").count, 2)
        compare(control(sheet.contentItem, "Campainha").currentText, "Alto-falantes internos")
        microphone.currentIndex = 1
        microphone.activated(1)
        compare(rig.model.microphoneDeviceID, "mic")
        verify(rig.selectedDevices().endsWith("0:mic"))

        const toggle = control(sheet.contentItem, "Abrir Vozel ao iniciar a sessão")
        verify(!toggle.checked)
        click(toggle)
        verify(rig.model.launchAtLogin)
        verify(toggle.checked)
    }
}
