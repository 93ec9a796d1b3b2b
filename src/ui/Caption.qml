import QtQuick
import QtQuick.Layouts
import Vozel.Ui

// A small explanatory line under a control. It may carry a server's words, so never markup.
Text {
    Layout.fillWidth: true
    textFormat: Text.PlainText
    color: Theme.secondary
    font.pixelSize: Theme.captionSize
    wrapMode: Text.Wrap
}
