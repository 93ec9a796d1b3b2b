import QtQuick
import QtQuick.Controls
import QtTest
import Vozel.Ui
import Vozel.System

UiTestCase {
    name: "Dialer"

    Component {
        id: dialerComponent
        ContentView {
            width: 296
            height: 520
        }
    }

    function makeDialer(options) {
        rig.start(options || {})
        const dialer = createTemporaryObject(dialerComponent, this, { vozel: rig.model })
        verify(dialer !== null)
        return dialer
    }

    function type(dialer, digits) {
        for (const digit of digits)
            click(control(dialer, digit))
    }

    // Types the target into the transfer panel and presses "Ligar".
    function confirmTransfer(dialer, target) {
        const panel = dialer.transfer.panel
        tryVerify(() => panel.visible)
        find(panel.contentItem, "transferField").text = target
        rig.pressAccessibly(find(panel.contentItem, "transferCallButton"))
    }

    Component {
        id: ringPanelComponent
        IncomingCallPanel { visible: true }
    }

    // When to dial is the model's rule; here, that the buttons follow it.
    function test_onlyAConnectedExtensionWithANumberDials_data() {
        return [
            { tag: "failed", registration: "failed", dials: false },
            { tag: "connected", registration: "connected", dials: true },
        ]
    }

    function test_onlyAConnectedExtensionWithANumberDials(data) {
        const dialer = makeDialer({ accounts: 1, registration: data.registration })
        const call = control(dialer, "Ligar")
        const erase = find(dialer, "Apagar")
        verify(!call.enabled && !erase.enabled)
        type(dialer, "2002")
        verify(erase.enabled)
        compare(call.enabled, data.dials)
        click(call)
        tryCompare(rig.model, "callKind", data.dials ? VozelCallState.Dialing : VozelCallState.Idle)
        compare(rig.operations().includes("call 2002"), data.dials)
    }

    function test_everyCallStateOffersHangUp_data() {
        return [{ tag: "incoming", kind: "incoming" }, { tag: "connected", kind: "connected" }]
    }

    function test_everyCallStateOffersHangUp(data) {
        const dialer = makeDialer({ accounts: 1, registration: "connecting" })
        rig.reportCall(data.kind, "2002")
        const hangUp = control(dialer, "Desligar")
        verify(hangUp.enabled)
        verify(control(dialer, "Ativar viva-voz").enabled)
        compare(dialer.keyboardCaptureEnabled, data.kind !== "incoming")
        click(hangUp)
        verify(rig.operations().includes("end"))
        compare(rig.model.callKind, VozelCallState.Idle)
        verify(find(dialer, "Ligar") !== null)
    }

    // Which keys dial is DialString's rule and what they do the capture's; here, that each
    // reaches the number once, past the keypad's own shortcuts.
    function test_typedKeysReachTheNumberOnce() {
        const dialer = makeDialer({ accounts: 1, registration: "connected" })
        rig.model.number = "999"
        rig.setClipboard("tel. 20")
        keyClick(Qt.Key_V, Qt.ControlModifier)
        keyClick(Qt.Key_2)
        keyClick(Qt.Key_Asterisk)
        keyClick(Qt.Key_A)
        compare(rig.model.number, "202*")
        keyClick(Qt.Key_Backspace)
        compare(rig.model.number, "202")
        keyClick(Qt.Key_Return)
        tryVerify(() => rig.operations().includes("call 202"))
    }

    function test_accountMenuSwitchesAndManagesAccounts() {
        const dialer = makeDialer({ accounts: 2, registration: "connected", nickname: "Loja Sul" })
        const menuButton = control(dialer, "Escolher conta")
        compare(menuButton.ToolTip.text, "Conta ativa: Loja Sul · Ramal 2001")
        click(menuButton)
        find(dialer, "Ramal 2002").triggered()
        tryCompare(rig.model.account, "extension", "2002")
        click(menuButton)
        find(dialer, "Gerenciar contas…").triggered()
        verify(dialer.showingSettings)
        dialer.showingSettings = false

        rig.reportCall("incoming", "3003")
        verify(menuButton.visible)
        verify(!menuButton.enabled)
    }

    function test_statusBlock_data() {
        return [
            { tag: "not configured", accounts: 0, registration: "notConfigured", title: "Configure seu ramal" },
            { tag: "connected", accounts: 1, registration: "connected", title: "Conectado" },
            { tag: "failed", accounts: 1, registration: "failed", title: "Sem conexão" },
        ]
    }

    function test_statusBlock(data) {
        const dialer = makeDialer({ accounts: data.accounts })
        rig.reportRegistration(data.registration, "Servidor recusou a senha")
        compare(find(dialer, "statusTitle").text, data.title)
        compare(String(find(dialer, "statusDot").color),
                String(data.registration === "connected" ? Theme.green : Theme.secondary))
        const texts = textsUnder(dialer)
        compare(texts.includes("2001"), data.accounts > 0)
        compare(texts.includes("Servidor recusou a senha"), data.registration === "failed")
    }

    function test_originLineShowsOnlyDuringACall() {
        const dialer = makeDialer({ accounts: 1, registration: "connected" })
        const origin = find(dialer, "callOrigin")
        verify(!showing(origin))
        rig.holdOriginLookups()
        rig.reportCall("incoming", "2002")
        compare(origin.text, "Identificando origem…")
        verify(showing(origin))
        rig.reportCall("idle")
        verify(!showing(origin))
    }

    function test_speakerAndMuteFollowTheModel() {
        const dialer = makeDialer({ accounts: 1, registration: "connected" })
        rig.reportCall("dialing", "2002")
        rig.reportCall("connected", "2002")

        click(control(dialer, "Ativar viva-voz"))
        click(control(dialer, "Silenciar microfone"))
        verify(rig.operations().includes("speaker on"))
        verify(rig.operations().includes("mute on"))
        click(control(dialer, "Desativar viva-voz"))
        click(control(dialer, "Ativar microfone"))
        verify(!rig.model.speakerEnabled && !rig.model.muted)
    }

    function test_transferWaitsForAConnectedCall() {
        const dialer = makeDialer({ accounts: 1, registration: "connected" })
        verify(!showing(find(dialer, "Transferir")))
        rig.reportCall("dialing", "2002")
        const transfer = control(dialer, "Transferir")
        verify(!transfer.enabled)
        rig.reportCall("connected", "2002")
        verify(transfer.enabled)

        click(transfer)
        verify(dialer.showingTransfer)
        confirmTransfer(dialer, "2003")
        tryCompare(dialer, "showingTransfer", false)
        verify(rig.operations().includes("transfer 2003"))

        rig.reportTransferReady(true)
        click(control(dialer, "Concluir transferência"))
        verify(rig.operations().includes("complete transfer"))
    }

    function test_aFailedTransferStartKeepsThePanelUnderTheAlert() {
        const dialer = makeDialer({ accounts: 1, registration: "connected" })
        rig.reportCall("connected", "2002")
        click(control(dialer, "Transferir"))
        rig.failTransfers("Ramal 2003 indisponível.")
        confirmTransfer(dialer, "2003")
        compare(rig.model.errorMessage, "Ramal 2003 indisponível.")
        const alert = find(dialer, "alertMessage").Window.window
        tryVerify(() => alert.visible)
        verify(dialer.transfer.panel.visible)
        compare(alert.transientParent, dialer.transfer.panel)
        rig.pressAccessibly(find(alert.contentItem, "OK"))
        compare(rig.model.errorMessage, "")
        verify(dialer.showingTransfer)
    }

    function test_anAlertBlocksOnlyItsWindowAndKeepsItsKeys_data() {
        return [{ tag: "dialer", sheet: "" }, { tag: "settings", sheet: "showingSettings" }]
    }

    function test_anAlertBlocksOnlyItsWindowAndKeepsItsKeys(data) {
        const dialer = makeDialer({ accounts: 1, registration: "connected" })
        rig.reportCall("connected", "2002")
        if (data.sheet)
            dialer[data.sheet] = true
        const about = data.sheet ? find(dialer, "Concluir").Window.window : dialer.Window.window
        const panel = createTemporaryObject(ringPanelComponent, null)
        let answers = 0
        panel.answerRequested.connect(() => ++answers)

        rig.model.errorMessage = "Alto-falante indisponível."
        const alert = find(dialer, "alertMessage").Window.window
        tryVerify(() => alert.active)
        compare(alert.transientParent, about)
        rig.clickThroughTheDesktop(find(panel.contentItem, "answerButton"))
        compare(answers, 1)

        // Keys typed into another window never reach the call.
        alert.requestActivate()
        tryVerify(() => alert.active)
        keyClick(Qt.Key_5)
        keyClick(Qt.Key_Return)
        compare(rig.model.errorMessage, "")
        compare(rig.model.callKind, VozelCallState.Connected)
        verify(!rig.operations().some(operation => operation === "end" || operation.startsWith("dtmf")))
    }

    function test_headerButtonsOpenTheSheetsAndFocusReturns() {
        const dialer = makeDialer({ accounts: 1 })
        tryVerify(() => dialer.dialerFocused)
        for (const [name, flag] of [["Configurações", "showingSettings"], ["Histórico", "showingHistory"],
                                    ["Contatos", "showingContacts"]]) {
            click(control(dialer, name))
            verify(dialer[flag], name)
            dialer[flag] = false
            verify(dialer.dialerFocused, name)
        }
    }

    function test_aChosenContactReplacesTheNumber() {
        const dialer = makeDialer({ accounts: 1, registration: "connected" })
        rig.model.number = "999"
        click(control(dialer, "Contatos"))
        const picker = find(dialer, "Buscar contato").Window.window
        verify(picker.directory === dialer.contacts)
        picker.selected("1133224455")
        compare(rig.model.number, "1133224455")
        verify(!dialer.showingContacts)
        verify(!rig.operations().some(operation => operation.startsWith("call")))
    }
}
