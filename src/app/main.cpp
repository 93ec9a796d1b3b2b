#include "app/VozelApp.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    vozel::VozelApp vozel(app);
    return vozel.exec();
}
