#include "app/VozelApp.h"

int main(int argc, char *argv[])
{
    // Qt's native Wayland backend can neither place the ring panel nor keep it on top, so a
    // Wayland session runs Vozel on XWayland, unless the user chose a platform (or there is
    // no XWayland).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariable("XDG_SESSION_TYPE") == u"wayland")
        qputenv("QT_QPA_PLATFORM", "xcb;wayland");
    QApplication app(argc, argv);
    vozel::VozelApp vozel(app);
    return vozel.exec();
}
