// An outside QML application: finds the installed module qz.system through QML_IMPORT_PATH and
// creates the object the QML file declares.
#include <QCoreApplication>
#include <QQmlComponent>
#include <QQmlEngine>

#include <cstdio>
#include <memory>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.qml\n", argv[0]);
        return 2;
    }
    QQmlEngine engine;
    QQmlComponent component(&engine, QUrl::fromLocalFile(QString::fromLocal8Bit(argv[1])));
    const std::unique_ptr<QObject> object(component.create());
    if (!object) {
        std::fprintf(stderr, "%s", qPrintable(component.errorString()));
        return 1;
    }
    std::printf("%s: %s", object->metaObject()->className(),
                qPrintable(object->property("body").toString()));
    return 0;
}
