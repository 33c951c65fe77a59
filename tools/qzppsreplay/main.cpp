// qzppsreplay: plays the service side of a PPS recording back, so that clients can hold a
// recorded conversation again without the service that answered it.
#include "controlobjectserver.h"

#include <pps/ppsrecording.h>
#include <pps/ppsreplay.h>
#include <qz/PpsObject>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

const char *const description = R"(Plays the service side of a recording made with qzppsd --record.

Serves every control object that the recording holds requests for. A client's request that
matches a recorded one (the same msg and the same keys and kinds of values; ids, button
contexts and other UUIDs may differ) gets the answers the service gave then, with the recorded
ids and UUIDs replaced by the live request's. A request with no match is logged, and answered
with an error in the shape of one recorded on that object, if the recording holds one.
Ordinary objects are made first, each with the attributes the recording left it with.)";

void fail(const QString &text)
{
    std::fprintf(stderr, "qzppsreplay: %s\n", qPrintable(text));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qzppsreplay"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(description));
    parser.addHelpOption();
    const QCommandLineOption socketOption(
        {QStringLiteral("s"), QStringLiteral("socket")},
        QStringLiteral("Use the PPS server on <path> (default: $QZ_PPS_SOCKET, ...)."),
        QStringLiteral("path"));
    parser.addOption(socketOption);
    parser.addPositionalArgument(QStringLiteral("recording"),
                                 QStringLiteral("The file qzppsd --record wrote."));
    parser.process(app);
    if (parser.positionalArguments().size() != 1) {
        fail(QStringLiteral("give one recording to replay"));
        return 2;
    }
    if (parser.isSet(socketOption))
        qputenv("QZ_PPS_SOCKET", QFile::encodeName(parser.value(socketOption)));

    const QString fileName = parser.positionalArguments().first();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString()));
        return 1;
    }
    QString error;
    const std::optional<QList<qz::pps::Record>> records = qz::pps::recording::read(file, &error);
    if (!records) {
        fail(QStringLiteral("%1: %2").arg(fileName, error));
        return 1;
    }
    qz::pps::ReplayScript script(*records);
    const QList<std::pair<QByteArray, QByteArray>> contents = script.objectContents();
    if (script.servedObjects().isEmpty() && contents.isEmpty()) {
        fail(QStringLiteral("%1 holds no objects to replay").arg(fileName));
        return 1;
    }
    for (const auto &[path, content] : contents) {
        qz::PpsObject object(QString::fromUtf8(path));
        if (!object.open(qz::PpsOpenMode::Publish | qz::PpsOpenMode::Create) ||
            !object.write(content)) {
            fail(QStringLiteral("cannot make %1: %2")
                     .arg(QString::fromUtf8(path), object.errorString()));
            return 1;
        }
    }

    std::vector<std::unique_ptr<ControlObjectServer>> servers;
    for (const QByteArray &path : script.servedObjects()) {
        auto server = std::make_unique<ControlObjectServer>(QString::fromUtf8(path));
        ControlObjectServer *object = server.get();
        QObject::connect(object, &ControlObjectServer::requestReceived, object,
                         [&script, object, path](int client, const QVariantMap &request) {
                             QString why;
                             const std::optional<QList<QVariantMap>> answers =
                                 script.answer(path, request, &why);
                             const QList<QVariantMap> sent =
                                 answers
                                     ? *answers
                                     : QList<QVariantMap>{script.errorAnswer(path, request, why)};
                             for (const QVariantMap &answer : sent) {
                                 if (!answer.isEmpty() && !object->reply(client, answer))
                                     fail(QStringLiteral("cannot answer client %1 on %2")
                                              .arg(client)
                                              .arg(object->path()));
                             }
                         });
        QObject::connect(object, &ControlObjectServer::unreadableRequest, object,
                         [object](int client, const QByteArray &) {
                             fail(QStringLiteral("client %1 wrote %2 something that is not PPS "
                                                 "text; not answered")
                                      .arg(client)
                                      .arg(object->path()));
                         });
        QObject::connect(object, &ControlObjectServer::lost, &app, [](const QString &reason) {
            fail(QStringLiteral("lost the PPS server: %1").arg(reason));
            QCoreApplication::exit(1);
        });
        if (!object->open(&error)) {
            fail(error);
            return 1;
        }
        servers.push_back(std::move(server));
    }
    std::fprintf(stderr, "qzppsreplay: replaying %d served and %d ordinary objects from %s\n",
                 int(servers.size()), int(contents.size()), qPrintable(fileName));
    return app.exec();
}
