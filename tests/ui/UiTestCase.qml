import QtQuick
import QtQuick.Controls
import QtTest

// Reaches controls by their accessible names, across the sheets, menus and dialogs the dialer opens.
TestCase {
    visible: true
    width: 400
    height: 700
    when: windowShown

    // Every object below root (root included) that `wanted` accepts, breadth first.
    function collect(root, wanted) {
        let matches = []
        let seen = new Set()
        let queue = [root]
        while (queue.length > 0) {
            const object = queue.shift()
            if (!object || seen.has(object))
                continue
            seen.add(object)
            if (wanted(object))
                matches.push(object)
            // Loaders, windows and popups keep what they show outside their children.
            if (object.sourceComponent !== undefined && object.item)
                queue.push(object.item)
            if (!(object instanceof Item))
                queue.push(object.contentItem, object.footer)
            const own = object.data !== undefined ? object.data : object.children
            for (let i = 0; own && i < own.length; ++i)
                queue.push(own[i])
        }
        return matches
    }

    // By accessible name or objectName; screen readers read a button's text when it has no name.
    function findAll(root, name) {
        return collect(root, object => object.objectName === name
                       || (object instanceof Item && (object.Accessible.name || (typeof object.clicked === "function"
                           && object.text)) === name))
    }

    function find(root, name) {
        return findAll(root, name)[0] || null
    }

    // The one visible control with this name; fails the test when there is none.
    function control(root, name) {
        const shown = findAll(root, name).filter(object => object.visible === undefined || showing(object))
        verify(shown.length > 0, "no visible control named " + name)
        return shown[0]
    }

    function showing(item) {
        for (let object = item; object; object = object.parent) {
            if (object.visible === false)
                return false
        }
        return true
    }

    function textsUnder(root) {
        return collect(root, object => object instanceof Text && object.text !== "" && showing(object)).map(item => item.text)
    }
}
