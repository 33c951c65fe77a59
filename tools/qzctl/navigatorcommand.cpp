#include "navigatorcommand.h"

#include <qz/PpsObject>

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

using qz::system::InvokeReply;
using qz::system::InvokeReplyError;

namespace {

const char *const exitCodes = R"(
Exit code: 0 done; 1 the navigator answered with an error; 2 usage error; 3 the request could not
be sent (no navigator service, ...); 124 no answer within --timeout.)";

} // namespace

NavigatorCommand::NavigatorCommand(const QString &verb, const QString &description)
{
    m_parser.setApplicationDescription(
        QStringLiteral("qzctl %1: %2\n%3").arg(verb, description, QLatin1String(exitCodes)));
    m_parser.addHelpOption();
    m_parser.addOptions({
        QCommandLineOption({QStringLiteral("s"), QStringLiteral("socket")},
                           QStringLiteral("Use the PPS server on <path>."), QStringLiteral("path")),
        QCommandLineOption(QStringLiteral("timeout"),
                           QStringLiteral("Give up when no answer came within <ms> (10000)."),
                           QStringLiteral("ms")),
    });
}

bool NavigatorCommand::parse(const QStringList &arguments)
{
    if (!m_parser.parse(arguments)) {
        usageError(m_parser.errorText());
        return false;
    }
    if (m_parser.isSet(QStringLiteral("help")))
        m_parser.showHelp(0);
    if (isSet("socket"))
        qputenv("QZ_PPS_SOCKET", QFile::encodeName(value("socket")));
    if (isSet("timeout")) {
        bool ok = false;
        m_timeoutMs = value("timeout").toInt(&ok);
        if (!ok || m_timeoutMs < 1) {
            usageError(QStringLiteral("--timeout takes a number of milliseconds above 0"));
            return false;
        }
    }
    return true;
}

void NavigatorCommand::addContentOptions(bool withMetadata)
{
    m_parser.addOptions({
        {QStringLiteral("target-type"),
         QStringLiteral("Kinds of target: application, card, viewer, service, headless "
                        "(repeatable)."),
         QStringLiteral("kind")},
        {QStringLiteral("perimeter"), QStringLiteral("default, personal or enterprise."),
         QStringLiteral("perimeter")},
    });
    if (withMetadata)
        m_parser.addOption({QStringLiteral("metadata"),
                            QStringLiteral("Metadata: one JSON object."), QStringLiteral("json")});
}

std::optional<qz::system::InvokeTarget::Types> NavigatorCommand::targetTypes() const
{
    using qz::system::InvokeTarget;
    InvokeTarget::Types types;
    for (const QString &kind : values("target-type")) {
        const auto type = enumValue<InvokeTarget::Type>(kind);
        if (!type || *type == InvokeTarget::Unspecified || *type == InvokeTarget::Self) {
            usageError(QStringLiteral("unknown target type \"%1\"").arg(kind));
            return std::nullopt;
        }
        types |= *type;
    }
    return types;
}

std::optional<qz::system::SecurityPerimeter::Type> NavigatorCommand::perimeter() const
{
    using qz::system::SecurityPerimeter;
    if (!isSet("perimeter"))
        return SecurityPerimeter::Default;
    const auto perimeter = enumValue<SecurityPerimeter::Type>(value("perimeter"));
    if (!perimeter)
        usageError(QStringLiteral("unknown perimeter \"%1\"").arg(value("perimeter")));
    return perimeter;
}

std::optional<QVariantMap> NavigatorCommand::metadata() const
{
    if (!isSet("metadata"))
        return QVariantMap();
    const QJsonDocument json = QJsonDocument::fromJson(value("metadata").toUtf8());
    if (!json.isObject()) {
        usageError(QStringLiteral("--metadata takes a JSON object"));
        return std::nullopt;
    }
    return json.object().toVariantMap();
}

int NavigatorCommand::usageError(const QString &text)
{
    std::fprintf(stderr, "qzctl: %s\n", qPrintable(text));
    return Usage;
}

int NavigatorCommand::waitAndReport(InvokeReply *reply, const char *what) const
{
    if (!reply) {
        std::fprintf(stderr, "qzctl: the %s could not be sent (is qzdevice running?)\n", what);
        return NotSent;
    }
    if (!waitForFinished(reply)) {
        std::fprintf(stderr, "qzctl: no answer to the %s within %d ms\n", what, m_timeoutMs);
        return TimedOut;
    }
    if (reply->error() == InvokeReplyError::None)
        return Ok;
    print(QStringLiteral("error: %1 (code %2)")
              .arg(QLatin1String(
                  QMetaEnum::fromType<InvokeReplyError::Type>().valueToKey(reply->error())))
              .arg(reply->errorCode()));
    return ReplyError;
}

void NavigatorCommand::print(const QString &line)
{
    std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

std::optional<QVariantMap>
NavigatorCommand::askNavigator(const QString &msg, const QVariantMap &dat, QString *problem) const
{
    qz::PpsObject control{QStringLiteral("/pps/services/navigator/control")};
    if (!control.open(qz::PpsOpenMode::PublishSubscribe)) {
        *problem =
            QStringLiteral("cannot reach the navigator service: %1").arg(control.errorString());
        return std::nullopt;
    }
    std::optional<QVariantMap> answer;
    QEventLoop loop;
    QObject::connect(&control, &qz::PpsObject::readyRead, &loop, [&] {
        bool ok = false;
        QVariantMap message = qz::PpsObject::decode(control.read(&ok), &ok);
        // Answers to this client arrive as the control object's block.
        if (message.size() == 1 && message.firstKey().startsWith(u'@'))
            message = message.first().toMap();
        const QString name = message.value(QStringLiteral("msg")).toString();
        if (name == msg || name == QLatin1String("error")) {
            answer = message;
            loop.quit();
        }
    });
    if (control.writeMessage({{QStringLiteral("msg"), msg}, {QStringLiteral("dat"), dat}}) != 0) {
        *problem =
            QStringLiteral("cannot write to the navigator service: %1").arg(control.errorString());
        return std::nullopt;
    }
    QTimer::singleShot(m_timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    if (!answer)
        *problem = QStringLiteral("no answer from the navigator service");
    return answer;
}
