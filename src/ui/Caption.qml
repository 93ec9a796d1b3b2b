import QtQuick
import QtQuick.Layouts
import Vozel.Ui

// A small explanatory line under a control.
Text {
    Layout.fillWidth: true
    color: Theme.secondary
    font.pixelSize: Theme.captionSize
    wrapMode: Text.Wrap
}
