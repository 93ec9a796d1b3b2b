import QtQuick
import QtQuick.Controls
import QtTest

// A test case with ways to reach controls by their accessible names, across the sheets,
// menus and dialogs the dialer opens.
TestCase {
    id: testCase

    // Visible and sized, so the views it creates can be shown and clicked.
    visible: true
    width: 400
    height: 700
    when: windowShown

    function accessibleName(object) {
        return object instanceof Item ? object.Accessible.name : undefined
    }

    function childrenOf(object) {
        let found = []
        // Loaders, windows, popups and menus keep what they show outside their children.
        if (object.sourceComponent !== undefined && object.item)
            found.push(object.item)
        if (object.contentItem && !(object instanceof Item))
            found.push(object.contentItem)
        if (object.footer && !(object instanceof Item))
            found.push(object.footer)
        if (typeof object.itemAt === "function" && typeof object.insertItem === "function") {
            for (let i = 0; i < object.count; ++i)
                found.push(object.itemAt(i))
        }
        if (object.data !== undefined) {
            for (let i = 0; i < object.data.length; ++i)
                found.push(object.data[i])
        } else if (object.children !== undefined) {
            for (let i = 0; i < object.children.length; ++i)
                found.push(object.children[i])
        }
        return found
    }

    // Every object below root whose accessible name (or objectName) is `name`.
    function findAll(root, name) {
        let matches = []
        let seen = new Set()
        let queue = [root]
        while (queue.length > 0) {
            const object = queue.shift()
            if (!object || seen.has(object))
                continue
            seen.add(object)
            // Screen readers read a button's text when it has no name of its own.
            const button = typeof object.clicked === "function" && typeof object.text === "string"
            const spoken = accessibleName(object) || (button ? object.text : undefined)
            if (spoken === name || object.objectName === name)
                matches.push(object)
            queue.push(...childrenOf(object))
        }
        return matches
    }

    function find(root, name) {
        const matches = findAll(root, name)
        return matches.length > 0 ? matches[0] : null
    }

    // The one visible control with this name; fails the test when there is none.
    function control(root, name) {
        const matches = findAll(root, name).filter(object => object.visible === undefined || showing(object))
        verify(matches.length > 0, "no visible control named " + name)
        return matches[0]
    }

    // Visible, and every visual ancestor visible too.
    function showing(item) {
        for (let object = item; object; object = object.parent) {
            if (object.visible === false)
                return false
        }
        return true
    }

    // Clicks an item, first scrolling it into view when it sits in a scrolled form.
    function click(item) {
        verify(item !== null)
        for (let area = item.parent; area; area = area.parent) {
            if (area.contentY === undefined || area.contentItem === undefined)
                continue
            const top = item.mapToItem(area.contentItem, 0, 0).y
            if (top < area.contentY || top + item.height > area.contentY + area.height)
                area.contentY = Math.max(0, Math.min(top - 20, area.contentHeight - area.height))
            break
        }
        mouseClick(item)
    }

    // The visible, non-empty Text items below root.
    function textItemsUnder(root) {
        let texts = []
        let queue = [root]
        while (queue.length > 0) {
            const object = queue.shift()
            if (!object)
                continue
            if (object instanceof Text && showing(object) && object.text !== "")
                texts.push(object)
            queue.push(...childrenOf(object))
        }
        return texts
    }

    function textsUnder(root) {
        return textItemsUnder(root).map(item => item.text)
    }
}
