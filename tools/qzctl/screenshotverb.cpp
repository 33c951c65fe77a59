#include "verbs.h"

#include <qz/system/Screenshot>

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QMetaEnum>

#include <cstdio>

using qz::system::Screenshot;
using qz::system::ScreenshotError;
using qz::system::ScreenshotFormat;

namespace {

// Exit codes: 0 saved, 2 usage error, else 10 + the ScreenshotError number.
constexpr int Usage = 2;
constexpr int ErrorBase = 10;

int usageError(const QString &text)
{
    std::fprintf(stderr, "qzctl screenshot: %s\n", qPrintable(text));
    return Usage;
}

} // namespace

int screenshotVerb(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "qzctl screenshot: capture the device's display through its screen-capture service and "
        "print the saved file's path.\n"
        "Exit code: 0 saved; 2 usage error; 11 internal error, 12 no screen-capture service, "
        "13 bad file path, 14 unsupported file type, 15 the user declined."));
    parser.addHelpOption();
    const QCommandLineOption socketOption({QStringLiteral("s"), QStringLiteral("socket")},
                                          QStringLiteral("Use the PPS server on <path>."),
                                          QStringLiteral("path"));
    const QCommandLineOption formatOption(
        QStringLiteral("format"),
        QStringLiteral("png (default) or jpg; the service chooses where to save."),
        QStringLiteral("format"));
    const QCommandLineOption fileOption(
        QStringLiteral("file"), QStringLiteral("Save at <path>; its extension gives the type."),
        QStringLiteral("path"));
    parser.addOptions({socketOption, formatOption, fileOption});
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError(
            QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));
    if (parser.isSet(formatOption) && parser.isSet(fileOption))
        return usageError(QStringLiteral("--format and --file do not go together"));
    if (parser.isSet(socketOption))
        qputenv("QZ_PPS_SOCKET", QFile::encodeName(parser.value(socketOption)));

    Screenshot screenshot;
    QString file;
    if (parser.isSet(fileOption)) {
        // A relative path is the caller's, not the tool's directory.
        file = screenshot.captureDisplay(
            QUrl::fromLocalFile(QFileInfo(parser.value(fileOption)).absoluteFilePath()));
    } else {
        const QString format = parser.value(formatOption);
        if (!format.isEmpty() && format != QLatin1String("png") && format != QLatin1String("jpg"))
            return usageError(QStringLiteral("--format takes png or jpg"));
        file = screenshot.captureDisplay(format == QLatin1String("jpg") ? ScreenshotFormat::Jpeg
                                                                        : ScreenshotFormat::Png);
    }
    if (!file.isEmpty()) {
        std::printf("%s\n", qPrintable(file));
        return 0;
    }
    const int error = screenshot.error();
    std::fprintf(stderr, "qzctl screenshot: not saved: %s\n",
                 QMetaEnum::fromType<ScreenshotError::Type>().valueToKey(error));
    return ErrorBase + error;
}
