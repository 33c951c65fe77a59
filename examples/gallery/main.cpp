// qzgallery: a page per service of libqzsystem, in Qt Quick, against the device's services (a
// running qzppsd and qzdevice on the default socket or $QZ_PPS_SOCKET).
#include "qmlwarningcounter.h"
#include "smokerun.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QTimer>

int main(int argc, char *argv[])
{
    QmlWarningCounter warnings;
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("qzgallery"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Shows each service of libqzsystem at work on a page of its own. Start "
                       "qzppsd and qzdevice first; qzdevice --interactive lets you answer the "
                       "dialogs at its terminal. The QML module qz.system is looked for on "
                       "$QML_IMPORT_PATH and Qt's import paths."));
    parser.addHelpOption();
    const QCommandLineOption smokeOption(
        QStringLiteral("smoke"),
        QStringLiteral("Load every page in turn, show a toast, and exit with 0 only when the "
                       "toast timed out and QML reported no warning."));
    parser.addOption(smokeOption);
    parser.process(app);

    QQmlApplicationEngine engine;
    engine.load(QUrl(QStringLiteral("qrc:/qz/gallery/Main.qml")));
    if (engine.rootObjects().isEmpty())
        return 1;
    if (!parser.isSet(smokeOption))
        return QGuiApplication::exec();

    SmokeRun smoke(engine.rootObjects().constFirst());
    QObject::connect(&smoke, &SmokeRun::finished, &app, [&warnings](const QString &failure) {
        if (!failure.isEmpty())
            qCritical("smoke: %s", qPrintable(failure));
        if (warnings.count() > 0)
            qCritical("smoke: QML warnings: %d", warnings.count());
        QGuiApplication::exit(failure.isEmpty() && warnings.count() == 0 ? 0 : 1);
    });
    // Started from the event loop, so that a run ending at once still ends the loop.
    QTimer::singleShot(0, &smoke, &SmokeRun::start);
    return QGuiApplication::exec();
}
