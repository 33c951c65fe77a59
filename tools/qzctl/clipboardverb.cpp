#include "verbs.h"

#include <qz/system/Clipboard>

#include <QCommandLineParser>
#include <QFile>

#include <cstdio>

namespace {

enum Exit { Ok = 0, Failed = 1, Usage = 2, Denied = 3 };

int usageError(const QString &text)
{
    std::fprintf(stderr, "qzctl clipboard: %s\n", qPrintable(text));
    return Usage;
}

int failed(const QString &text, bool denied)
{
    std::fprintf(stderr, "qzctl clipboard: %s\n",
                 qPrintable(denied ? text + QStringLiteral(": access denied") : text));
    return denied ? Denied : Failed;
}

} // namespace

int clipboardVerb(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "qzctl clipboard: the clipboard of this user's applications.\n"
        "  set TYPE [DATA]  store DATA (else standard input) as the data of MIME type TYPE\n"
        "  get TYPE         write the data of TYPE to standard output\n"
        "  clear [TYPE]     remove the data of TYPE, or of every type\n"
        "Exit code: 0 done; 1 no such data or the store refused; 2 usage error; 3 access denied."));
    parser.addHelpOption();
    parser.addOption(QCommandLineOption(QStringLiteral("path"),
                                        QStringLiteral("Use the clipboard at <path>, not the "
                                                       "default one."),
                                        QStringLiteral("path")));
    parser.addPositionalArgument(QStringLiteral("set|get|clear"), QStringLiteral("What to do."));
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return Ok;
    }
    const QStringList words = parser.positionalArguments();
    const QString op = words.value(0);
    qz::system::Clipboard clipboard(parser.value(QStringLiteral("path")));
    bool denied = false;

    if (op == QLatin1String("set") && (words.size() == 2 || words.size() == 3)) {
        QByteArray data;
        if (words.size() == 3) {
            data = words.at(2).toUtf8();
        } else {
            QFile in;
            if (!in.open(stdin, QIODevice::ReadOnly))
                return failed(QStringLiteral("cannot read standard input"), false);
            data = in.readAll();
        }
        if (!clipboard.insert(words.at(1), data))
            return failed(QStringLiteral("\"%1\" was not stored").arg(words.at(1)), false);
        return Ok;
    }
    if (op == QLatin1String("get") && words.size() == 2) {
        const QByteArray data = clipboard.value(words.at(1), &denied);
        if (data.isEmpty() && !clipboard.contains(words.at(1), &denied))
            return failed(QStringLiteral("no data of type \"%1\"").arg(words.at(1)), denied);
        std::fwrite(data.constData(), 1, size_t(data.size()), stdout);
        return Ok;
    }
    if (op == QLatin1String("clear") && words.size() <= 2) {
        const bool done = words.size() == 2 ? clipboard.remove(words.at(1)) : clipboard.clear();
        if (!done)
            return failed(words.size() == 2
                              ? QStringLiteral("no data of type \"%1\"").arg(words.at(1))
                              : QStringLiteral("the clipboard was not cleared"),
                          false);
        return Ok;
    }
    return usageError(QStringLiteral("use: qzctl clipboard set TYPE [DATA] | get TYPE | "
                                     "clear [TYPE]  [--path PATH]"));
}
