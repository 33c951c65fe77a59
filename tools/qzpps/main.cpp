// qzpps: look inside a running device's PPS tree from a shell.
#include <qz/PpsObject>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <csignal>
#include <cstdio>

namespace {

int fail(const QString &text)
{
    std::fprintf(stderr, "qzpps: %s\n", qPrintable(text));
    return 1;
}

void print(const QByteArray &change)
{
    std::fwrite(change.constData(), 1, size_t(change.size()), stdout);
    if (!change.endsWith('\n'))
        std::fputc('\n', stdout);
    std::fflush(stdout);
}

int cat(const QString &path, int waitMs)
{
    qz::PpsObject object(path);
    if (!object.open(qz::PpsOpenMode::Subscribe))
        return fail(QStringLiteral("cannot open %1: %2").arg(path, object.errorString()));
    // An object answers with its content at once; a directory or control object may have none.
    QElapsedTimer timer;
    timer.start();
    bool ok = false;
    QByteArray content;
    while (!ok && timer.elapsed() < waitMs) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        content = object.read(&ok);
    }
    if (ok) {
        print(content);
        return 0;
    }
    // No content in time is an empty answer; a connection the server cut is a failure.
    if (object.error() != EAGAIN)
        return fail(QStringLiteral("cannot read %1: %2").arg(path, object.errorString()));
    return 0;
}

int write(const QString &path, const QStringList &lines, int mode)
{
    QByteArray text;
    for (const QString &line : lines) {
        QByteArray encoded = line.toUtf8() + '\n';
        bool ok = false;
        qz::PpsObject::decodeWithFlags(encoded, &ok);
        if (!ok)
            return fail(QStringLiteral(
                            "not a PPS attribute line: %1 (expected name:encoding:value or -name)")
                            .arg(line));
        text += encoded;
    }
    // Checked before the open, which would otherwise create the object for nothing.
    if (text.size() > qz::PpsObject::MaxMessageSize)
        return fail(QStringLiteral("%1 bytes exceed the PPS message limit of %2 bytes")
                        .arg(text.size())
                        .arg(qz::PpsObject::MaxMessageSize));
    qz::PpsObject object(path);
    if (mode >= 0)
        object.setCreationMode(mode_t(mode));
    if (!object.open(qz::PpsOpenMode::Publish | qz::PpsOpenMode::Create))
        return fail(QStringLiteral("cannot open %1: %2").arg(path, object.errorString()));
    if (!object.write(text))
        return fail(QStringLiteral("cannot write %1: %2").arg(path, object.errorString()));
    return 0;
}

int watch(const QString &path)
{
    qz::PpsObject object(path);
    if (!object.open(qz::PpsOpenMode::Subscribe))
        return fail(QStringLiteral("cannot open %1: %2").arg(path, object.errorString()));
    int status = 0;
    QObject::connect(&object, &qz::PpsObject::readyRead, &object, [&] {
        bool ok = false;
        const QByteArray change = object.read(&ok);
        if (ok) {
            print(change);
        } else if (object.error() != EAGAIN) {
            status = fail(QStringLiteral("%1: %2").arg(path, object.errorString()));
            QCoreApplication::quit();
        }
    });
    std::signal(SIGINT, [](int) { QCoreApplication::quit(); });
    std::signal(SIGTERM, [](int) { QCoreApplication::quit(); });
    QCoreApplication::exec();
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qzpps"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Reads, writes and watches PPS objects.\n\n"
        "  cat PATH                  print the object's content (a directory with PATH/.all)\n"
        "  write PATH LINE...        write attribute lines such as 'status::ready' or 'count:n:3'\n"
        "  watch PATH                print each change as it arrives (add ?delta for changes "
        "only)"));
    parser.addHelpOption();
    const QCommandLineOption socketOption(
        {QStringLiteral("s"), QStringLiteral("socket")},
        QStringLiteral("Talk to the server on <path> instead of the default."),
        QStringLiteral("path"));
    const QCommandLineOption waitOption(
        QStringLiteral("wait"), QStringLiteral("cat: wait up to <ms> for content (default 500)."),
        QStringLiteral("ms"), QStringLiteral("500"));
    const QCommandLineOption modeOption(
        QStringLiteral("mode"),
        QStringLiteral("write: mode bits (octal) of an object the write creates (default 0666)."),
        QStringLiteral("octal"));
    parser.addOption(socketOption);
    parser.addOption(waitOption);
    parser.addOption(modeOption);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("cat, write or watch"));
    parser.addPositionalArgument(QStringLiteral("path"), QStringLiteral("/pps/..."));
    parser.process(app);

    if (parser.isSet(socketOption))
        qputenv("QZ_PPS_SOCKET", QFile::encodeName(parser.value(socketOption)));
    const QStringList args = parser.positionalArguments();
    if (args.size() < 2)
        parser.showHelp(2);
    const QString &command = args.at(0);
    const QString &path = args.at(1);
    if (command == QLatin1String("cat") && args.size() == 2)
        return cat(path, parser.value(waitOption).toInt());
    int mode = -1;
    if (parser.isSet(modeOption)) {
        bool ok = false;
        mode = int(parser.value(modeOption).toUInt(&ok, 8));
        if (!ok || mode > 0777)
            return fail(QStringLiteral("--mode takes octal mode bits such as 0640"));
    }
    if (command == QLatin1String("write") && args.size() > 2)
        return write(path, args.mid(2), mode);
    if (command == QLatin1String("watch") && args.size() == 2)
        return watch(path);
    parser.showHelp(2);
}
