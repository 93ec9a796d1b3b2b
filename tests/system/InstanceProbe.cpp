// A Vozel launch as the single-instance test drives it: instance_probe <name> <timeout ms> [arguments...]
// As the running instance, prints "primary", then "activated <arguments joined by |>" per later
// launch; "hold" as the first argument claims the instance but never serves it. Otherwise hands
// its arguments over and exits with 0 when the running instance took them, else 1.
#include "system/SingleInstance.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

using namespace vozel;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    const QString name = arguments.takeFirst();
    const int timeoutMs = arguments.takeFirst().toInt();
    SingleInstance instance(name);
    if (!instance.claim())
        return instance.handOver(arguments, timeoutMs) ? 0 : 1;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("primary\n");
    if (arguments.value(0) == QLatin1String("hold"))
        QThread::sleep(60);
    QObject::connect(&instance, &SingleInstance::activationRequested, [](const QStringList &received) {
        std::printf("activated %s\n", qPrintable(received.join(u'|')));
    });
    return app.exec();
}
