import QtQuick
import QtQuick.Controls
import QtTest
import Vozel.Ui

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

    function test_withoutAccountsTheSetupOpensOnTheLink() {
        const sheet = openSettings()
        let dismissed = 0
        sheet.dismissed.connect(() => ++dismissed)
        verify(sectionShown(sheet, "Configurar"))
        verify(!sectionShown(sheet, "Contas"))
        verify(!sectionShown(sheet, "Ramal"))
        compare(control(sheet.contentItem, "Modo").currentIndex, 0)
        verify(control(sheet.contentItem, "Cole o endereço do QR Code") !== null)
        verify(!control(sheet.contentItem, "Configurar ramal").enabled)

        click(control(sheet.contentItem, "Concluir"))
        compare(dismissed, 1)
    }

    function test_manualFieldsReachTheForm() {
        const sheet = openSettings()
        rig.pressAccessibly(control(sheet.contentItem, "Manual"))
        compare(sheet.form.setupMode, 1)
        const save = control(sheet.contentItem, "Salvar e reconectar")
        verify(!save.enabled)
        verify(!control(sheet.contentItem, "Concluir").enabled)

        typeInto(control(sheet.contentItem, "Nome da conta (ex.: zarko, Casa Norte)"), "Casa")
        typeInto(control(sheet.contentItem, "Ramal"), "2001")
        typeInto(control(sheet.contentItem, "Usuário de autenticação"), "u2001")
        typeInto(control(sheet.contentItem, "Senha SIP"), " ")
        typeInto(control(sheet.contentItem, "Servidor SIP"), "pbx.example.com")
        typeInto(control(sheet.contentItem, "Porta"), "0")
        compare(sheet.form.manualName, "Casa")
        compare(sheet.form.manualExtension, "2001")
        compare(sheet.form.manualUser, "u2001")
        compare(sheet.form.manualPassword, " ")
        compare(sheet.form.manualHost, "pbx.example.com")
        verify(!save.enabled)
        // Filled fields show no placeholder: their labels tell them apart.
        for (const label of ["Ramal", "Usuário de autenticação", "Servidor SIP"])
            verify(textsUnder(sheet.contentItem).includes(label), label)

        typeInto(control(sheet.contentItem, "Porta"), "65536")
        verify(!save.enabled)
        typeInto(control(sheet.contentItem, "Porta"), "50 60")
        verify(!save.enabled)
        typeInto(control(sheet.contentItem, "Porta"), "+5060")
        verify(save.enabled)
        verify(control(sheet.contentItem, "Concluir").enabled)

        rig.pressAccessibly(save)
        tryCompare(sheet.form, "saveStatus", "Configuração salva. Verifique o estado do ramal acima.")
        compare(rig.model.account.authUser, "u2001")
        compare(rig.model.account.port, 5060)
        verify(sectionShown(sheet, "Ramal"))
        verify(textsUnder(sheet.contentItem).includes("Configuração salva. Verifique o estado do ramal acima."))
    }

    function test_theActiveAccountIsShownReadOnly() {
        const sheet = openSettings({ accounts: 2, registration: "failed", nickname: "Loja Sul" })
        rig.reportRegistration("failed", "Senha recusada")
        verify(sectionShown(sheet, "Contas"))
        verify(sectionShown(sheet, "Ramal"))
        verify(!sectionShown(sheet, "Configurar"))
        const picker = control(sheet.contentItem, "Conta ativa")
        compare(picker.currentText, "Loja Sul · Ramal 2001")
        compare(control(sheet.contentItem, "Nome da conta (ex.: Zarko, Loja Sul)").text, "Loja Sul")
        const texts = textsUnder(sheet.contentItem)
        for (const expected of ["2001", "Sem conexão", "Senha recusada", "pbx.example.com:5060", "UDP",
                                "Somente a conta ativa recebe e realiza chamadas."])
            verify(texts.includes(expected), expected)
        verify(control(sheet.contentItem, "Remover esta conta").enabled)

        rig.failSecretStore()
        picker.forceActiveFocus()
        keyClick(picker.currentIndex === 0 ? Qt.Key_Down : Qt.Key_Up)
        compare(picker.currentText, "Loja Sul · Ramal 2001")
    }

    function test_aCallDisablesEveryAccountControl() {
        const sheet = openSettings({ accounts: 2, registration: "connected" })
        rig.reportCall("incoming", "3003")
        for (const name of ["Conta ativa", "Adicionar conta", "Editar configuração", "Remover esta conta"])
            verify(!control(sheet.contentItem, name).enabled, name)

        rig.reportCall("idle")
        click(control(sheet.contentItem, "Editar configuração"))
        rig.reportCall("incoming", "3003")
        verify(!control(sheet.contentItem, "Ativar registro SIP").enabled)
        verify(!control(sheet.contentItem, "Ramal").enabled)
        rig.reportCall("idle")
        click(control(sheet.contentItem, "Adicionar conta"))
        rig.reportCall("incoming", "3003")
        verify(!control(sheet.contentItem, "Cole o endereço do QR Code").enabled)
    }

    function test_addingStartsOnUDPPort5060() {
        const sheet = openSettings({ accounts: 1, registration: "connected" })
        click(control(sheet.contentItem, "Adicionar conta"))
        verify(sectionShown(sheet, "Adicionar conta"))
        verify(!sectionShown(sheet, "Ramal"))
        click(control(sheet.contentItem, "Manual"))
        compare(control(sheet.contentItem, "Porta").text, "5060")
        compare(control(sheet.contentItem, "Transporte").currentText, "UDP")
        compare(control(sheet.contentItem, "Transporte").currentValue, "udp")
        compare(findAll(sheet.contentItem, "Cancelar").filter(button => showing(button)).length, 2)
    }

    function test_addingByLinkEndsOnTheNewAccount() {
        const sheet = openSettings({ accounts: 1, registration: "connected" })
        rig.provide("2009")
        click(control(sheet.contentItem, "Adicionar conta"))
        verify(control(sheet.contentItem, "Concluir").enabled)
        typeInto(control(sheet.contentItem, "Cole o endereço do QR Code"), "https://pbx.example.com/api/pabx-vozel?t=9")
        click(control(sheet.contentItem, "Configurar ramal"))
        tryCompare(sheet.form, "saveStatus", "Conta salva.")
        compare(rig.model.account.extension, "2009")
        verify(sectionShown(sheet, "Ramal"))
        verify(!sectionShown(sheet, "Adicionar conta"))
        verify(!sectionShown(sheet, "Editar conexão"))
        verify(control(sheet.contentItem, "Remover esta conta") !== null)
        verify(textsUnder(sheet.contentItem).includes("Conta salva."))
    }

    function test_aFailedLinkShowsTheReason() {
        const sheet = openSettings()
        let dismissed = 0
        sheet.dismissed.connect(() => ++dismissed)
        rig.failProvisioning("O servidor recusou o link.")
        typeInto(control(sheet.contentItem, "Cole o endereço do QR Code"), "https://pbx.example.com/x")
        click(control(sheet.contentItem, "Concluir"))
        tryCompare(sheet.form, "saveStatus", "O servidor recusou o link.")
        verify(textsUnder(sheet.contentItem).includes("O servidor recusou o link."))
        compare(dismissed, 0)
    }

    function test_editingSwitchesRegistration() {
        const sheet = openSettings({ accounts: 1, registration: "connected" })
        click(control(sheet.contentItem, "Editar configuração"))
        verify(sectionShown(sheet, "Editar conexão"))
        compare(control(sheet.contentItem, "Servidor SIP").text, "pbx.example.com")
        const toggle = control(sheet.contentItem, "Ativar registro SIP")
        verify(toggle.checked)
        click(toggle)
        tryCompare(rig.model, "registrationKind", RegistrationState.Disabled)
        verify(!rig.model.registrationEnabled)
        verify(!toggle.checked)

        click(control(sheet.contentItem, "Cancelar"))
        verify(!sectionShown(sheet, "Editar conexão"))
        verify(control(sheet.contentItem, "Remover esta conta") !== null)
    }

    function test_removalAsksFirst() {
        const sheet = openSettings({ accounts: 2, registration: "connected" })
        click(control(sheet.contentItem, "Remover esta conta"))
        const dialog = find(sheet.contentItem, "removalConfirmation")
        tryVerify(() => dialog.opened)
        compare(dialog.title, "Remover a conta ativa deste computador?")
        click(find(dialog, "Cancelar"))
        tryVerify(() => !dialog.visible)
        compare(rig.storedAccountCount(), 2)

        click(control(sheet.contentItem, "Remover esta conta"))
        tryVerify(() => dialog.opened)
        click(find(dialog, "Remover conta"))
        tryCompare(rig.model.account, "extension", "2002")
        compare(rig.storedAccountCount(), 1)
        verify(!sheet.form.confirmingRemoval)
    }

    function test_audioPickers() {
        const sheet = openSettings({ accounts: 1, registration: "connected" })
        verify(textsUnder(sheet.contentItem).includes("Os dispositivos aparecerão quando o ramal estiver conectado."))
        verify(!showing(find(sheet.contentItem, "Microfone")))

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
    }

    function test_startAtLogin() {
        const sheet = openSettings()
        const toggle = control(sheet.contentItem, "Abrir Vozel ao iniciar a sessão")
        verify(!toggle.checked)
        click(toggle)
        verify(rig.model.launchAtLogin)
        verify(toggle.checked)
    }
}
