// A stand-in for a Vozel launch, driven by the single-instance test:
//   instance_probe <name> <timeout ms> [arguments...]
// Prints "primary" and then one "activated <arguments joined by |>" line per later launch
// when it became the running instance; otherwise hands its arguments over and exits with
// 0 when the running instance took them, 1 when it did not answer.
// "hold" as the first argument claims the instance but never serves it: a hung instance.
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
    if (instance.claim()) {
        std::printf("primary\n");
        std::fflush(stdout);
        if (arguments.value(0) == QLatin1String("hold")) {
            QThread::sleep(60);
            return 0;
        }
        QObject::connect(&instance, &SingleInstance::activationRequested, [](const QStringList &received) {
            std::printf("activated %s\n", qPrintable(received.join(u'|')));
            std::fflush(stdout);
        });
        return app.exec();
    }
    return instance.handOver(arguments, timeoutMs) ? 0 : 1;
}
