#include "phoneservice.h"

#include "controlobjectserver.h"
#include "devicelogging.h"
#include "phonepublisher.h"
#include "phonetarget.h"

#include <QJsonDocument>

#include <array>
#include <limits>

const QString PhoneService::s_networkPath = QStringLiteral("/pps/services/phone/private/network");

namespace {

const QString s_invalidRequest = QStringLiteral("INVALID_REQUEST");
const QString s_unknownCommand = QStringLiteral("UNKNOWN_COMMAND");
const QString s_callId = QStringLiteral("call_id");
constexpr int MaxFailures = 32;
constexpr int MaxTextSize = 256;

// A call id as the commands carry it: decimal text or a number, above 0; 0 when it is not one.
int callIdOf(const QVariant &value)
{
    bool ok = false;
    const qlonglong id = value.typeId() == QMetaType::QString ? value.toString().toLongLong(&ok)
                         : value.canConvert<qlonglong>() && value.typeId() != QMetaType::Bool
                             ? value.toLongLong(&ok)
                             : 0;
    return ok && id > 0 && id <= std::numeric_limits<int>::max() && value.toDouble() == double(id)
               ? int(id)
               : 0;
}

QString compact(const QVariant &value)
{
    return QString::fromUtf8(QJsonDocument::fromVariant(value).toJson(QJsonDocument::Compact));
}

} // namespace

class PhoneServicePrivate
{
public:
    PhoneServicePrivate(PhoneService *owner, const PhoneService::Options &options);

    void onCommand(ControlObjectServer *server, int client, const QVariantMap &message);
    QString command(const QString &msg, const QVariantMap &dat, QVariantMap *result);
    void onNetwork(int client, const QVariantMap &message);
    QString networkRequest(const QString &msg, const QVariantMap &dat, QVariantMap *result);
    void onRequested(const PhoneTarget::Request &request);
    void watch(ControlObjectServer *server);

    PhoneService *const q;
    const PhoneService::Options options;
    PhoneExchange exchange;
    PhonePublisher publisher;
    std::array<std::unique_ptr<ControlObjectServer>, 3> controls;
    ControlObjectServer network;
    PhoneTarget target;
    QHash<QString, QString> failures; // command -> the error it is answered with
};

PhoneServicePrivate::PhoneServicePrivate(PhoneService *owner, const PhoneService::Options &o)
    : q(owner)
    , options(o)
    , exchange(o.lines, o.exchange)
    , publisher(&exchange)
    , network(PhoneService::s_networkPath)
{
    static const mode_t controlModes[] = {0600, 0660, 0666};
    for (int level = 0; level < int(controls.size()); ++level) {
        auto server = std::make_unique<ControlObjectServer>(PhoneService::controlPath(level));
        server->setCreationMode(controlModes[level]);
        ControlObjectServer *raw = server.get();
        QObject::connect(raw, &ControlObjectServer::requestReceived, q,
                         [this, raw](int client, const QVariantMap &message) {
                             onCommand(raw, client, message);
                         });
        watch(raw);
        controls[size_t(level)] = std::move(server);
    }
    network.setCreationMode(0600);
    QObject::connect(
        &network, &ControlObjectServer::requestReceived, q,
        [this](int client, const QVariantMap &message) { onNetwork(client, message); });
    watch(&network);

    QObject::connect(&exchange, &PhoneExchange::callChanged, q, [this](int callId) {
        if (const PhoneCall *call = exchange.call(callId))
            qCInfo(lcDevicePhone).noquote()
                << "call" << callId << call->state << call->type << call->line << call->number;
        publisher.publishCall(callId);
    });
    QObject::connect(&exchange, &PhoneExchange::callRemoved, q,
                     [this](const PhoneCall &call) { publisher.removeCall(call); });
    QObject::connect(&exchange, &PhoneExchange::lineChanged, q,
                     [this](const QString &line) { publisher.publishLine(line); });
    QObject::connect(&target, &PhoneTarget::requested, q,
                     [this](const PhoneTarget::Request &request) { onRequested(request); });
    QObject::connect(&target, &PhoneTarget::lost, q, &DeviceService::failed);
}

void PhoneServicePrivate::watch(ControlObjectServer *server)
{
    QObject::connect(server, &ControlObjectServer::unreadableRequest, q,
                     [server](int client, const QByteArray &) {
                         qCWarning(lcDevicePhone).noquote()
                             << server->path() << "client" << client
                             << "sent a request that is not PPS text; dropped";
                     });
    QObject::connect(server, &ControlObjectServer::lost, q, &DeviceService::failed);
}

void PhoneServicePrivate::onCommand(ControlObjectServer *server, int client,
                                    const QVariantMap &message)
{
    const QString msg = message.value(QStringLiteral("msg")).toString();
    const QVariant id = message.value(QStringLiteral("id"));
    const QVariant datValue = message.value(QStringLiteral("dat"));
    qCDebug(lcDevicePhone).noquote()
        << server->path() << "client" << client << msg << id.toString() << compact(datValue);
    // Nothing longer than a command's name or id is echoed, so a request cannot make the
    // service send every client a message of the sender's choosing.
    const QString idText = id.toString().size() <= MaxTextSize ? id.toString() : QString();
    const QString res = msg.size() <= MaxTextSize ? msg : QString();
    QVariantMap result;
    QString err;
    if (res.isEmpty() || idText.isEmpty() ||
        (datValue.isValid() && datValue.typeId() != QMetaType::QVariantMap))
        err = s_invalidRequest;
    else if (const auto failure = failures.constFind(msg); failure != failures.cend())
        err = *failure;
    else
        err = command(msg, datValue.toMap(), &result);
    if (err.isEmpty())
        qCDebug(lcDevicePhone).noquote() << msg << "done" << compact(result);
    else
        qCInfo(lcDevicePhone).noquote() << "client" << client << res << "refused:" << err;
    const QVariantMap answer{{QStringLiteral("res"), res},
                             {QStringLiteral("id"), idText},
                             {QStringLiteral("dat"), result},
                             {QStringLiteral("err"), err}};
    // Without an id nobody but the sender could tell the answer is theirs.
    const bool sent = idText.isEmpty() ? server->reply(client, answer) : server->broadcast(answer);
    if (!sent)
        qCWarning(lcDevicePhone).noquote() << "the answer to" << msg << "was not sent";
}

QString PhoneServicePrivate::command(const QString &msg, const QVariantMap &dat,
                                     QVariantMap *result)
{
    using Operation = QString (PhoneExchange::*)(int);
    static const QHash<QString, Operation> single{
        {QStringLiteral("hold_call"), &PhoneExchange::hold},
        {QStringLiteral("resume_call"), &PhoneExchange::resume},
        {QStringLiteral("split_call"), &PhoneExchange::split},
        {QStringLiteral("end_call"), &PhoneExchange::end},
        {QStringLiteral("reject_call"), &PhoneExchange::reject}};
    if (const auto operation = single.constFind(msg); operation != single.cend()) {
        const int callId = callIdOf(dat.value(s_callId));
        if (callId == 0)
            return s_invalidRequest;
        result->insert(s_callId, QString::number(callId));
        return (exchange.*(*operation))(callId);
    }
    if (msg == QLatin1String("join_call")) {
        const int first = callIdOf(dat.value(QStringLiteral("call_id1")));
        const int second = callIdOf(dat.value(QStringLiteral("call_id2")));
        if (first == 0 || second == 0)
            return s_invalidRequest;
        result->insert(s_callId, QString::number(first));
        result->insert(QStringLiteral("call_id1"), QString::number(first));
        result->insert(QStringLiteral("call_id2"), QString::number(second));
        return exchange.merge(first, second);
    }
    if (msg == QLatin1String("send_dtmf_tones")) {
        const QVariant line = dat.value(QStringLiteral("line"));
        const QVariant tones = dat.value(QStringLiteral("tones"));
        if (line.typeId() != QMetaType::QString || tones.typeId() != QMetaType::QString)
            return s_invalidRequest;
        int callId = 0;
        const QString err = exchange.sendTones(line.toString(), tones.toString(), &callId);
        if (err.isEmpty())
            result->insert(s_callId, QString::number(callId));
        return err;
    }
    return s_unknownCommand;
}

void PhoneServicePrivate::onNetwork(int client, const QVariantMap &message)
{
    const QString msg = message.value(QStringLiteral("msg")).toString();
    const QVariant id = message.value(QStringLiteral("id"));
    const QVariant datValue = message.value(QStringLiteral("dat"));
    qCDebug(lcDevicePhone).noquote() << "network" << msg << compact(datValue);
    QVariantMap result;
    const QString err = msg.size() > MaxTextSize || id.toString().size() > MaxTextSize ||
                                (datValue.isValid() && datValue.typeId() != QMetaType::QVariantMap)
                            ? s_invalidRequest
                            : networkRequest(msg, datValue.toMap(), &result);
    if (!err.isEmpty())
        qCInfo(lcDevicePhone).noquote() << "network" << msg << "refused:" << err;
    network.reply(client, {{QStringLiteral("res"), msg.left(MaxTextSize)},
                           {QStringLiteral("id"), id.toString().left(MaxTextSize)},
                           {QStringLiteral("dat"), result},
                           {QStringLiteral("err"), err}});
}

QString PhoneServicePrivate::networkRequest(const QString &msg, const QVariantMap &dat,
                                            QVariantMap *result)
{
    const auto text = [&dat](const char *key, const QString &fallback = QString()) {
        const QVariant value = dat.value(QLatin1String(key), fallback);
        return value.typeId() == QMetaType::QString ? value.toString() : QString();
    };
    if (msg == QLatin1String("incoming")) {
        const QString perimeter = text("perimeter", QStringLiteral("personal"));
        if (perimeter != QLatin1String("personal") && perimeter != QLatin1String("enterprise"))
            return s_invalidRequest;
        int callId = 0;
        const QString err = exchange.incoming(
            text("number"), text("line", QStringLiteral("cellular")),
            perimeter == QLatin1String("enterprise") ? PhoneCall::Enterprise : PhoneCall::Personal,
            &callId);
        if (err.isEmpty())
            result->insert(s_callId, QString::number(callId));
        return err;
    }
    if (msg == QLatin1String("answer") || msg == QLatin1String("hangup")) {
        const int callId = callIdOf(dat.value(s_callId));
        if (callId == 0)
            return s_invalidRequest;
        result->insert(s_callId, QString::number(callId));
        return msg == QLatin1String("answer") ? exchange.answer(callId) : exchange.hangUp(callId);
    }
    if (msg == QLatin1String("line"))
        return exchange.setLineState(text("line"), text("state"));
    if (msg == QLatin1String("fail")) {
        const QString command = text("command");
        const QString err = text("err");
        if (command.isEmpty() || command.size() > MaxTextSize || err.size() > MaxTextSize)
            return s_invalidRequest;
        if (err.isEmpty()) {
            failures.remove(command);
        } else {
            if (failures.size() >= MaxFailures && !failures.contains(command))
                return s_invalidRequest;
            failures.insert(command, err);
        }
        QVariantMap inForce;
        for (auto it = failures.cbegin(); it != failures.cend(); ++it)
            inForce.insert(it.key(), it.value());
        result->insert(QStringLiteral("failures"), inForce);
        return QString();
    }
    return s_unknownCommand;
}

void PhoneServicePrivate::onRequested(const PhoneTarget::Request &request)
{
    if (request.kind == PhoneTarget::Request::Kind::Dialpad) {
        qCInfo(lcDevicePhone).noquote() << "dial pad shown for" << request.number << request.line;
        publisher.showDialpad(request.number, request.line);
        return;
    }
    const QString err =
        exchange.dial(request.number, request.line, request.perimeter, request.video);
    if (!err.isEmpty())
        qCWarning(lcDevicePhone).noquote() << "call to" << request.number << "not placed:" << err;
}

QString PhoneService::controlPath(int level)
{
    return PhonePublisher::s_root + PhonePublisher::s_levels.value(level) +
           QStringLiteral("/control");
}

QList<PhoneLine> PhoneService::defaultLines()
{
    return {*line(QStringLiteral("cellular")), *line(QStringLiteral("vchat"))};
}

std::optional<PhoneLine> PhoneService::line(const QString &id)
{
    static const QHash<QString, QString> addresses{
        {QStringLiteral("cellular"), QStringLiteral("+15550100")},
        {QStringLiteral("Kestrane"), QStringLiteral("+15550101")},
        {QStringLiteral("vchat"), QStringLiteral("2A3B4C5D")},
        {QStringLiteral("Murmex"), QStringLiteral("+15550102")}};
    if (!addresses.contains(id))
        return std::nullopt;
    PhoneLine line;
    line.id = id;
    line.address = addresses.value(id);
    return line;
}

PhoneService::PhoneService(const Options &options, QObject *parent)
    : DeviceService(parent)
    , d(std::make_unique<PhoneServicePrivate>(this, options))
{}

PhoneService::~PhoneService() = default;

QString PhoneService::name() const
{
    return QStringLiteral("phone");
}

bool PhoneService::start(QString *error)
{
    const int lastCallId = d->publisher.start(error);
    if (lastCallId < 0)
        return false;
    d->exchange.setLastCallId(lastCallId);
    for (const auto &control : d->controls) {
        if (!control->open(error))
            return false;
    }
    if (!d->network.open(error))
        return false;
    return !d->options.serveTarget || d->target.start(error);
}

PhoneExchange *PhoneService::exchange() const
{
    return &d->exchange;
}
