import QtQuick
import QtQuick.Controls
import QtTest
import Vozel.Ui
import Vozel.System

// Which model action each control and key reaches; the rules behind them are ModelCallsTest's.
UiTestCase {
    name: "Dialer"

    Component {
        id: dialerComponent
        ContentView {
            width: 296
            height: 520
        }
    }

    Component {
        id: ringPanelComponent
        IncomingCallPanel { visible: true }
    }

    function makeDialer(accounts, registration, nickname) {
        rig.start(accounts, nickname || "", [])
        if (registration !== undefined)
            rig.reportRegistration(registration)
        return createTemporaryObject(dialerComponent, this, { vozel: rig.model })
    }

    function done(operation) {
        return rig.operations().includes(operation)
    }

    function confirmTransfer(dialer, target) {
        const panel = dialer.transfer.panel
        tryVerify(() => panel.visible)
        find(panel.contentItem, "transferField").text = target
        rig.pressAccessibly(find(panel.contentItem, "transferCallButton"))
    }

    function compareStatus(dialer, title, extensionShown, failureShown) {
        compare(find(dialer, "statusTitle").text, title)
        compare(String(find(dialer, "statusDot").color), String(title === "Conectado" ? Theme.green : Theme.secondary))
        compare(textsUnder(dialer).includes("2001"), extensionShown)
        compare(textsUnder(dialer).includes("Servidor recusou a senha"), failureShown)
    }

    function test_aCallThroughTheButtons() {
        const dialer = makeDialer(1)
        rig.reportRegistration(RegistrationState.Failed, "Servidor recusou a senha")
        compareStatus(dialer, "Sem conexão", true, true)
        const call = control(dialer, "Ligar")
        const erase = find(dialer, "Apagar")
        verify(!call.enabled && !erase.enabled)
        for (const digit of "2002")
            mouseClick(control(dialer, digit))
        verify(erase.enabled && !call.enabled)
        rig.reportRegistration(RegistrationState.Connected)
        compareStatus(dialer, "Conectado", true, false)
        verify(call.enabled)
        verify(!showing(find(dialer, "Transferir")))
        mouseClick(call)
        tryCompare(rig.model, "callKind", VozelCallState.Dialing)
        const transfer = control(dialer, "Transferir")
        verify(!transfer.enabled)

        rig.reportCall(VozelCallState.Connected, "2002")
        verify(transfer.enabled && dialer.keyboardCaptureEnabled)
        mouseClick(control(dialer, "Ativar viva-voz"))
        mouseClick(control(dialer, "Silenciar microfone"))
        compare(rig.operations().slice(-2), ["speaker on", "mute on"])
        mouseClick(control(dialer, "Desativar viva-voz"))
        mouseClick(control(dialer, "Ativar microfone"))
        verify(!rig.model.speakerEnabled && !rig.model.muted)

        mouseClick(transfer)
        verify(dialer.showingTransfer)
        confirmTransfer(dialer, "2003")
        tryCompare(dialer, "showingTransfer", false)
        verify(done("transfer 2003"))
        rig.reportTransferReady()
        mouseClick(control(dialer, "Concluir transferência"))
        verify(done("complete transfer"))
        mouseClick(control(dialer, "Desligar"))
        verify(done("end"))
        verify(find(dialer, "Ligar") !== null)
    }

    // Until a call rings the menu switches and manages accounts; ringing, no keys reach the call.
    function test_accountMenuAndARingingCall() {
        const dialer = makeDialer(2, RegistrationState.Connected, "Loja Sul")
        const origin = find(dialer, "callOrigin")
        const menu = control(dialer, "Escolher conta")
        compare(menu.ToolTip.text, "Conta ativa: Loja Sul · Ramal 2001")
        mouseClick(menu)
        find(dialer, "Ramal 2002").triggered()
        tryCompare(rig.model.account, "extension", "2002")
        mouseClick(menu)
        find(dialer, "Gerenciar contas…").triggered()
        verify(dialer.showingSettings)
        dialer.showingSettings = false

        verify(!showing(origin))
        rig.holdOriginLookups()
        rig.reportCall(VozelCallState.Incoming, "2002")
        compare(origin.text, "Identificando origem…")
        verify(showing(origin) && !dialer.keyboardCaptureEnabled)
        verify(menu.visible && !menu.enabled)
        verify(control(dialer, "Ativar viva-voz").enabled)
        mouseClick(control(dialer, "Desligar"))
        verify(done("end"))
        verify(!showing(origin))
    }

    // Each key reaches the number once, past the keypad's own shortcuts.
    function test_typedKeysReachTheNumberOnce() {
        const dialer = makeDialer(1, RegistrationState.Connected)
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
        tryVerify(() => done("call 202"))
    }

    // A transfer that failed to start keeps its panel open under the alert.
    function test_anAlertBlocksOnlyItsWindowAndKeepsItsKeys_data() {
        return [{ tag: "dialer" }, { tag: "settings" }, { tag: "transfer" }]
    }

    function test_anAlertBlocksOnlyItsWindowAndKeepsItsKeys(data) {
        const dialer = makeDialer(1, RegistrationState.Connected)
        rig.reportCall(VozelCallState.Connected, "2002")
        const panel = createTemporaryObject(ringPanelComponent, null)
        let answers = 0
        panel.answerRequested.connect(() => ++answers)
        let about = dialer.Window.window
        if (data.tag === "settings") {
            dialer.showingSettings = true
            about = find(dialer, "Concluir").Window.window
            rig.model.errorMessage = "Alto-falante indisponível."
        } else if (data.tag === "transfer") {
            mouseClick(control(dialer, "Transferir"))
            rig.failTransfers("Ramal 2003 indisponível.")
            confirmTransfer(dialer, "2003")
            about = dialer.transfer.panel
        } else {
            rig.model.errorMessage = "Alto-falante indisponível."
        }
        const alert = find(dialer, "alertMessage").Window.window
        tryVerify(() => alert.visible)
        compare(alert.transientParent, about)
        verify(about.visible)
        rig.clickThroughTheDesktop(find(panel.contentItem, "answerButton"))
        compare(answers, 1)

        alert.requestActivate()
        tryVerify(() => alert.active)
        keyClick(Qt.Key_5)
        keyClick(Qt.Key_Return)
        compare(rig.model.errorMessage, "")
        compare(rig.model.callKind, VozelCallState.Connected)
        verify(!rig.operations().some(operation => operation === "end" || operation.startsWith("dtmf")))
        compare(dialer.showingTransfer, data.tag === "transfer")
    }

    // A contact chosen in the picker replaces the number without dialing it.
    function test_headerButtonsOpenTheSheetsAndFocusReturns() {
        const dialer = makeDialer(0)
        compareStatus(dialer, "Configure seu ramal", false, false)
        tryVerify(() => dialer.dialerFocused)
        for (const [name, flag] of [["Configurações", "showingSettings"], ["Histórico", "showingHistory"],
                                    ["Contatos", "showingContacts"]]) {
            mouseClick(control(dialer, name))
            verify(dialer[flag], name)
            dialer[flag] = false
            verify(dialer.dialerFocused, name)
        }
        rig.model.number = "999"
        mouseClick(control(dialer, "Contatos"))
        const picker = find(dialer, "Buscar contato").Window.window
        verify(picker.directory === dialer.contacts)
        picker.selected("1133224455")
        compare(rig.model.number, "1133224455")
        verify(!dialer.showingContacts)
        verify(!rig.operations().some(operation => operation.startsWith("call")))
    }
}
