import QtQuick
import QtQuick.Controls

ApplicationWindow {
    title: "Vozel"
    width: 296
    height: 520
    visible: true
}
