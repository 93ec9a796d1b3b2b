import QtQuick
import QtQuick.Controls
import QtTest
import Vozel.Ui

UiTestCase {
    name: "History"

    Component {
        id: historyComponent
        CallHistoryView {}
    }

    property int dismissed

    function openHistory(rows) {
        rig.start(0, "", rows)
        dismissed = 0
        const sheet = createTemporaryObject(historyComponent, this, { vozel: rig.model })
        sheet.dismissed.connect(() => ++dismissed)
        return sheet
    }

    function rows(sheet) {
        const list = find(sheet.contentItem, "historyList")
        tryVerify(() => list.count === 0 || list.itemAtIndex(list.count - 1) !== null)
        return [...Array(list.count).keys()].map(i => list.itemAtIndex(i))
    }

    function test_rowsShowTheCallGiveTheNumberAndAreDeleted() {
        const sheet = openHistory([{ number: "2002", direction: CallHistory.Outgoing },
                                   { number: "11987654321", direction: CallHistory.Incoming, sourceLabel: "Loja Sul" },
                                   { number: "3003", direction: CallHistory.Missed }])
        const shown = rows(sheet)
        compare(shown.map(row => row.text), ["2002", "11987654321", "3003"])
        compare(shown.map(row => find(row, "directionSymbol").symbol),
                ["phone.arrow.up.right.fill", "phone.arrow.up.right.fill", "phone.down.fill"])
        verify(textsUnder(shown[0]).includes("2 de mai. de 2024, 09:05"))
        verify(textsUnder(shown[1]).includes("Loja Sul"))

        rig.pressAccessibly(shown[2])
        compare(rig.model.number, "3003")
        compare(dismissed, 1)
        verify(!rig.operations().some(operation => operation.startsWith("call")))

        // Deleting by swipe and by the Delete key, then the rest by "Limpar".
        const first = rows(sheet)[0]
        first.swipe.open(SwipeDelegate.Right)
        tryVerify(() => first.swipe.complete)
        mouseClick(control(first, "Excluir"))
        tryVerify(() => rows(sheet).length === 2 && rows(sheet)[0].text === "11987654321")
        rows(sheet)[0].forceActiveFocus()
        keyClick(Qt.Key_Delete)
        tryVerify(() => rows(sheet).length === 1)

        rig.pressAccessibly(control(sheet.contentItem, "Limpar"))
        verify(textsUnder(sheet.contentItem).includes("Sem ligações"))
        verify(!control(sheet.contentItem, "Limpar").enabled)
    }
}
