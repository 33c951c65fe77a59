// qzctl nfc share: an application sharing over NFC with NfcShareManager, against the device's
// NFC controller; the taps come from another qzctl nfc tap.
#include "ctlcommand.h"
#include "verbs.h"

#include <qz/system/NfcShareManager>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMetaEnum>
#include <QSocketNotifier>
#include <QTimer>

#include <unistd.h>

using namespace qz::system;

namespace {

const char *const description = R"(qzctl nfc share: share by NFC, as an application would

  qzctl nfc share text TEXT | url URL      data, pushed to a peer (SNEP) or written to a tag
  qzctl nfc share files PATH...            files, sent over Bluetooth or Wi-Fi Direct after a
                                           hand-over tap
Prints "ready" once taps are awaited, then a line for each of the manager's signals:
"targetAcquired", "targetCancelled", "finished: <NfcShareSuccess>", "error: <NfcShareError>".
It ends after --count outcomes (finished, error, or with --on-demand targetCancelled).
With --on-demand a tapped peer is held: write "start" (startTransfer()) or "cancel"
(cancelTarget()) on a line of standard input. PERIMETER is "personal" unless set. Files
outside the shared folders are linked into the application's share-with folder, named by its
install id ($QZ_INSTALL_ID, else "qzctl"), in the device's file tree: $QZ_DEVICE_ROOT, as for
qzdevice.

Exit code: 0 every outcome a success; 1 an error signal came; 4 --timeout passed; 5 sharing
could not start (mode or content refused, no NFC service); 2 usage error.)";

enum Exit { Ok = 0, Failed = 1, Usage = 2, TimedOut = 4, NotStarted = 5 };

template<typename E> QString nameOf(E value)
{
    return QString::fromLatin1(QMetaEnum::fromType<E>().valueToKey(int(value)));
}

class Share : public QObject
{
public:
    Share(int count, bool onDemand)
        : m_remaining(count)
    {
        connect(&m_manager, &NfcShareManager::finished, this, [this](NfcShareSuccess::Type how) {
            outcome(QStringLiteral("finished: ") + nameOf(how), false);
        });
        connect(&m_manager, &NfcShareManager::error, this, [this](NfcShareError::Type error) {
            outcome(QStringLiteral("error: ") + nameOf(error), true);
        });
        connect(&m_manager, &NfcShareManager::targetAcquired, this,
                [] { CtlCommand::print(QStringLiteral("targetAcquired")); });
        connect(&m_manager, &NfcShareManager::targetCancelled, this, [this, onDemand] {
            if (onDemand)
                outcome(QStringLiteral("targetCancelled"), false);
            else
                CtlCommand::print(QStringLiteral("targetCancelled"));
        });
        if (onDemand) {
            m_input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
            connect(m_input, &QSocketNotifier::activated, this, [this] { readCommands(); });
        }
    }

    NfcShareManager &manager() { return m_manager; }
    /*! Whether an error signal came. */
    bool failed() const { return m_failed; }

private:
    void outcome(const QString &line, bool isError)
    {
        CtlCommand::print(line);
        m_failed = m_failed || isError;
        if (--m_remaining == 0)
            QCoreApplication::exit(m_failed ? Failed : Ok);
    }
    void readCommands()
    {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            m_input->setEnabled(false); // end of input: taps still go on
            return;
        }
        m_pending.append(buffer, n);
        for (qsizetype end = m_pending.indexOf('\n'); end >= 0; end = m_pending.indexOf('\n')) {
            const QByteArray command = m_pending.left(end).trimmed();
            m_pending.remove(0, end + 1);
            if (command == "start")
                m_manager.startTransfer();
            else if (command == "cancel")
                m_manager.cancelTarget();
            else if (!command.isEmpty())
                std::fprintf(stderr, "qzctl: \"%s\" is not start or cancel\n", command.constData());
        }
    }

    NfcShareManager m_manager;
    QSocketNotifier *m_input = nullptr;
    QByteArray m_pending;
    int m_remaining;
    bool m_failed = false;
};

} // namespace

int nfcShareVerb(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QLatin1String(description));
    parser.addHelpOption();
    parser.addOptions({
        QCommandLineOption({QStringLiteral("s"), QStringLiteral("socket")},
                           QStringLiteral("Use the PPS server on <path>."), QStringLiteral("path")),
        QCommandLineOption(QStringLiteral("on-demand"),
                           QStringLiteral("files: hold a tapped peer until \"start\" is read.")),
        QCommandLineOption(QStringLiteral("transport"),
                           QStringLiteral("files: offer bluetooth or wifidirect, in the order "
                                          "given (default: both, by the files' size)."),
                           QStringLiteral("name")),
        QCommandLineOption(QStringLiteral("no-prompt"),
                           QStringLiteral("files: send without asking the user.")),
        QCommandLineOption(QStringLiteral("count"),
                           QStringLiteral("End after <n> outcomes (default 1)."),
                           QStringLiteral("n"), QStringLiteral("1")),
        QCommandLineOption(QStringLiteral("timeout"),
                           QStringLiteral("Give up when the outcomes did not come within <ms>."),
                           QStringLiteral("ms")),
    });
    parser.addPositionalArgument(QStringLiteral("share"), QStringLiteral("share"));
    parser.addPositionalArgument(QStringLiteral("what"), QStringLiteral("text, url or files"));
    if (!parser.parse(arguments))
        return CtlCommand::usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("socket")))
        qputenv("QZ_PPS_SOCKET", QFile::encodeName(parser.value(QStringLiteral("socket"))));

    const QStringList words = parser.positionalArguments().mid(1);
    const QString what = words.value(0);
    const bool files = what == QLatin1String("files");
    if (!(files ? words.size() >= 2
                : (what == QLatin1String("text") || what == QLatin1String("url")) &&
                      words.size() == 2))
        return CtlCommand::usageError(
            QStringLiteral("use: qzctl nfc share text TEXT | url URL | files PATH..."));
    const bool onDemand = parser.isSet(QStringLiteral("on-demand"));
    if (!files && (onDemand || parser.isSet(QStringLiteral("transport")) ||
                   parser.isSet(QStringLiteral("no-prompt"))))
        return CtlCommand::usageError(
            QStringLiteral("--on-demand, --transport and --no-prompt go with files"));
    QList<NfcShareHandoverTransport::Type> transports;
    for (const QString &name : parser.values(QStringLiteral("transport"))) {
        if (name == QLatin1String("bluetooth"))
            transports << NfcShareHandoverTransport::Bluetooth;
        else if (name == QLatin1String("wifidirect"))
            transports << NfcShareHandoverTransport::WiFiDirect;
        else
            return CtlCommand::usageError(
                QStringLiteral("--transport takes bluetooth or wifidirect, not \"%1\"").arg(name));
    }
    bool ok = false;
    const int count = parser.value(QStringLiteral("count")).toInt(&ok);
    if (!ok || count < 1)
        return CtlCommand::usageError(QStringLiteral("--count takes a positive number"));
    int timeoutMs = 0;
    if (parser.isSet(QStringLiteral("timeout"))) {
        timeoutMs = parser.value(QStringLiteral("timeout")).toInt(&ok);
        if (!ok || timeoutMs < 1)
            return CtlCommand::usageError(QStringLiteral("--timeout takes a number of ms"));
    }

    // As the device's launcher would start an application.
    if (qEnvironmentVariableIsEmpty("PERIMETER"))
        qputenv("PERIMETER", "personal");
    Share share(count, onDemand);
    NfcShareManager &manager = share.manager();
    const NfcShareMode::Type mode = files ? NfcShareMode::File : NfcShareMode::Data;
    manager.setShareMode(
        mode, onDemand ? NfcShareStartTransferMode::OnDemand : NfcShareStartTransferMode::OnTap,
        transports);
    if (manager.shareMode() != mode || share.failed()) {
        std::fprintf(stderr, "qzctl: the share mode was refused (is qzdevice running?)\n");
        return NotStarted;
    }
    NfcShareSetContentError::Type refused;
    if (files) {
        QList<QUrl> urls;
        for (const QString &path : words.mid(1))
            urls << QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
        NfcShareFilesContent content;
        content.setFileUrls(urls);
        _ignorePromptSendFilesSetting(&manager, parser.isSet(QStringLiteral("no-prompt")));
        refused = manager.setShareContent(content);
    } else {
        NfcShareDataContent content;
        if (what == QLatin1String("text")) {
            content.setMimeType(QStringLiteral("text/plain"));
            content.setData(words.at(1).toUtf8());
        } else {
            content.setUri(QUrl(words.at(1)));
        }
        refused = manager.setShareContent(content);
    }
    if (refused != NfcShareSetContentError::None) {
        std::fprintf(stderr, "qzctl: the content was refused: %s\n", qPrintable(nameOf(refused)));
        return NotStarted;
    }
    CtlCommand::print(QStringLiteral("ready"));
    if (timeoutMs > 0)
        QTimer::singleShot(timeoutMs, &manager, [] {
            CtlCommand::print(QStringLiteral("timed out"));
            QCoreApplication::exit(TimedOut);
        });
    return QCoreApplication::exec();
}
