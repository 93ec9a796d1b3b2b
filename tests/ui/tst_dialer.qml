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

    // The call itself, mute, transfer and hanging up are the end-to-end drive's.
    function test_buttonsFollowTheRegistrationAndTheCall() {
        const dialer = makeDialer(1)
        rig.reportRegistration(RegistrationState.Failed, "Servidor recusou a senha")
        const dot = find(dialer, "statusDot")
        compare(String(dot.color), String(Theme.secondary))
        verify(textsUnder(dialer).includes("2001") && textsUnder(dialer).includes("Servidor recusou a senha"))
        const call = control(dialer, "Ligar")
        const erase = find(dialer, "Apagar")
        verify(!call.enabled && !erase.enabled)
        mouseClick(control(dialer, "2"))
        verify(erase.enabled && !call.enabled)
        rig.reportRegistration(RegistrationState.Connected)
        compare(String(dot.color), String(Theme.green))
        verify(call.enabled)
        rig.reportCall(VozelCallState.Dialing, "2")
        const transfer = control(dialer, "Transferir")
        verify(!transfer.enabled)
        rig.reportCall(VozelCallState.Connected, "2")
        verify(transfer.enabled && dialer.keyboardCaptureEnabled)
        mouseClick(control(dialer, "Ativar viva-voz"))
        verify(rig.operations().includes("speaker on") && showing(control(dialer, "Desativar viva-voz")))
    }

    // Until a call rings the menu switches accounts; ringing, no keys reach the call.
    function test_accountMenuAndARingingCall() {
        const dialer = makeDialer(2, RegistrationState.Connected, "Loja Sul")
        const menu = control(dialer, "Escolher conta")
        compare(menu.ToolTip.text, "Conta ativa: Loja Sul · Ramal 2001")
        mouseClick(menu)
        find(dialer, "Ramal 2002").triggered()
        tryCompare(rig.model.account, "extension", "2002")

        rig.holdOriginLookups()
        rig.reportCall(VozelCallState.Incoming, "2002")
        verify(showing(find(dialer, "callOrigin")) && !dialer.keyboardCaptureEnabled)
        verify(!menu.enabled)
    }

    // Each key reaches the number once, past the keypad's own shortcuts.
    function test_typedKeysReachTheNumberOnce() {
        const dialer = makeDialer(1, RegistrationState.Connected)
        rig.model.number = "999"
        rig.setClipboard("tel. 20")
        keyClick(Qt.Key_V, Qt.ControlModifier)
        keyClick(Qt.Key_2)
        keyClick(Qt.Key_Asterisk)
        compare(rig.model.number, "202*")
        keyClick(Qt.Key_Backspace)
        compare(rig.model.number, "202")
        keyClick(Qt.Key_Return)
        tryVerify(() => rig.operations().includes("call 202"))
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
        if (data.tag === "transfer") {
            mouseClick(control(dialer, "Transferir"))
            rig.failTransfers("Ramal 2003 indisponível.")
            about = dialer.transfer.panel
            tryVerify(() => about.visible)
            find(about.contentItem, "transferField").text = "2003"
            rig.pressAccessibly(find(about.contentItem, "transferCallButton"))
        } else {
            dialer.showingSettings = data.tag === "settings"
            if (dialer.showingSettings)
                about = find(dialer, "Concluir").Window.window
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

    // A contact chosen in the picker becomes the number without dialing it; the keypad has the focus again.
    function test_aContactChosenInThePicker() {
        const dialer = makeDialer(1, RegistrationState.Connected)
        mouseClick(control(dialer, "Contatos"))
        find(dialer, "Buscar contato").Window.window.selected("1133224455")
        compare(rig.model.number, "1133224455")
        verify(!dialer.showingContacts && dialer.dialerFocused)
        wait(0) // a call is placed from the event loop
        verify(!rig.operations().some(operation => operation.startsWith("call")))
    }
}
