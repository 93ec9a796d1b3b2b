import QtQuick
import QtQuick.Controls

// The button every view uses: Qt Quick Controls 2 buttons ignore a screen reader's press
// action in Qt 6.4, this one answers it like a click.
Button {
    Accessible.onPressAction: if (enabled) clicked()
}
