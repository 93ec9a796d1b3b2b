import QtQuick
import QtQuick.Controls
import Vozel.Ui

// The application's window: the dialer, within the sizes a handset-shaped dialer allows.
ApplicationWindow {
    id: window

    required property VozelModel vozel
    readonly property ContentView dialer: content

    title: "Vozel"
    width: 296
    height: 520
    minimumWidth: 280
    maximumWidth: 340
    minimumHeight: 500
    maximumHeight: 580
    visible: true

    ContentView {
        id: content
        anchors.fill: parent
        vozel: window.vozel
    }
}
