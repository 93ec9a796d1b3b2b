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

    function test_emptyNumberDisablesCallAndDelete() {
        const dialer = makeDialer({ accounts: 1, registration: "connected" })
        const call = control(dialer, "Ligar")
        const erase = find(dialer, "Apagar")
        verify(!call.enabled)
        verify(!erase.enabled)
        click(erase)
        click(call)
        verify(!rig.operations().some(operation => operation.startsWith("call")))

        type(dialer, "5")
        compare(rig.model.number, "5")
        verify(call.enabled && erase.enabled)
        click(erase)
        compare(rig.model.number, "")
    }

    function test_onlyAConnectedExtensionDials_data() {
        return [
            { tag: "not configured", accounts: 0, registration: "notConfigured", dials: false },
            { tag: "connecting", accounts: 1, registration: "connecting", dials: false },
            { tag: "failed", accounts: 1, registration: "failed", dials: false },
            { tag: "disabled", accounts: 1, registration: "disabled", dials: false },
            { tag: "connected", accounts: 1, registration: "connected", dials: true },
        ]
    }

    function test_onlyAConnectedExtensionDials(data) {
        const dialer = makeDialer({ accounts: data.accounts, registration: data.registration })
        type(dialer, "2002")
        const call = control(dialer, "Ligar")
        compare(call.enabled, data.dials)
        click(call)
        tryCompare(rig.model, "callKind", data.dials ? "dialing" : "idle")
        compare(rig.operations().includes("call 2002"), data.dials)
    }

    function test_everyCallStateOffersHangUp_data() {
        return [{ tag: "incoming", kind: "incoming" }, { tag: "dialing", kind: "dialing" },
                { tag: "connected", kind: "connected" }]
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
        compare(rig.model.callKind, "idle")
        verify(find(dialer, "Ligar") !== null)
    }

    function test_typedKeysReachTheNumberOnce() {
        const dialer = makeDialer({ accounts: 1, registration: "connected" })
        keyClick(Qt.Key_2)
        keyClick(Qt.Key_0)
        keyClick(Qt.Key_Asterisk)
        keyClick(Qt.Key_NumberSign)
        keyClick(Qt.Key_A)
        keyClick(Qt.Key_Plus)
        compare(rig.model.number, "20*#")
        keyClick(Qt.Key_Backspace)
        keyClick(Qt.Key_Delete)
        compare(rig.model.number, "20")
        keyClick(Qt.Key_Return)
        tryCompare(rig.model, "callKind", "dialing")
        verify(rig.operations().includes("call 20"))
    }

    function test_pasteKeepsOnlyDialableCharacters_data() {
        return [
            { tag: "mixed text", pasted: "Ligue: +55 (11) 98765-4321, ramal #12", number: "+5511987654321#12" },
            { tag: "too long", pasted: "1234567890 1234567890 1234567890 1234567890", number: "12345678901234567890123456789012" },
            { tag: "stars and hashes", pasted: "*72# 2002", number: "*72#2002" },
        ]
    }

    function test_pasteKeepsOnlyDialableCharacters(data) {
        const dialer = makeDialer()
        rig.model.number = "999"
        rig.setClipboard(data.pasted)
        keyClick(Qt.Key_V, Qt.ControlModifier)
        compare(rig.model.number, data.number)
    }

    function test_keyboardCaptureStepsAsideWhileRinging() {
        const dialer = makeDialer({ accounts: 1, registration: "connected" })
        rig.reportCall("incoming", "2002")
        rig.setClipboard("3003")
        keyClick(Qt.Key_V, Qt.ControlModifier)
        compare(rig.model.number, "")
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
            { tag: "disabled", accounts: 1, registration: "disabled", title: "Desativado" },
            { tag: "connecting", accounts: 1, registration: "connecting", title: "Conectando…" },
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

    function test_aFailedTransferStart_data() {
        return [{ tag: "panel open", meanwhile: "" }, { tag: "cancelled", meanwhile: "cancel" },
                { tag: "call ended", meanwhile: "hang up" }]
    }

    function test_aFailedTransferStart(data) {
        const dialer = makeDialer({ accounts: 1, registration: "connected" })
        rig.reportCall("connected", "2002")
        click(control(dialer, "Transferir"))
        rig.failTransfers("Ramal 2003 indisponível.")
        rig.holdTransfers(true)
        confirmTransfer(dialer, "2003")
        if (data.meanwhile === "cancel")
            rig.pressAccessibly(find(dialer.transfer.panel.contentItem, "transferCancelButton"))
        if (data.meanwhile === "hang up")
            rig.reportCall("idle")
        rig.holdTransfers(false)

        tryCompare(rig.model, "errorMessage", "Ramal 2003 indisponível.")
        wait(20)
        const open = data.meanwhile === ""
        compare(dialer.transfer.panel.visible, open)
        const alert = find(dialer, "alertMessage").Window.window
        verify(alert.visible)
        // Above the panel it is about, or the dialer once the panel is gone.
        compare(alert.transientParent, open ? dialer.transfer.panel : dialer.Window.window)
        rig.pressAccessibly(find(alert.contentItem, "OK"))
        compare(rig.model.errorMessage, "")
        compare(dialer.showingTransfer, open)
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
        compare(rig.model.callKind, "connected")
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
