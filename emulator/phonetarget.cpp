#include "phonetarget.h"

#include "devicelogging.h"
#include "navigatorservice.h"
#include "phoneexchange.h"

#include <qz/PpsObject>

#include <cerrno>
#include <unistd.h>

const QString PhoneTarget::s_key = QStringLiteral("sys.phone");
const QString PhoneTarget::s_dialAction = QStringLiteral("qz.action.DIAL");
const QString PhoneTarget::s_startCallType =
    QStringLiteral("application/vnd.quillon.phone.startcall");
const QString PhoneTarget::s_dialpadType = QStringLiteral("application/vnd.quillon.phone.dialpad");

namespace {
constexpr int InvokedEvent = 16;
}

TargetDeclaration PhoneTarget::declaration()
{
    TargetDeclaration declaration;
    declaration.key = s_key;
    declaration.type = TargetDeclaration::Application;
    declaration.label = QStringLiteral("Phone");
    QString why;
    const std::optional<TargetFilter> filter = TargetFilter::parse(
        QStringLiteral("actions=%1;types=%2,%3;").arg(s_dialAction, s_startCallType, s_dialpadType),
        &why);
    Q_ASSERT_X(filter, "PhoneTarget::declaration", qPrintable(why));
    if (filter)
        declaration.filters << *filter;
    return declaration;
}

std::optional<PhoneTarget::Request> PhoneTarget::readInvocation(const QVariantMap &invocation,
                                                                QString *why)
{
    Request request;
    const QString type = invocation.value(QStringLiteral("type")).toString();
    if (invocation.value(QStringLiteral("action")).toString() != s_dialAction ||
        (type != s_startCallType && type != s_dialpadType)) {
        *why = QStringLiteral("not a call or dial pad invocation");
        return std::nullopt;
    }
    request.kind = type == s_dialpadType ? Request::Kind::Dialpad : Request::Kind::Call;
    const auto bytes = QByteArray::fromBase64Encoding(
        invocation.value(QStringLiteral("data")).toString().toLatin1(),
        QByteArray::AbortOnBase64DecodingErrors);
    bool ok = bytes.operator bool();
    const QVariantMap data = ok ? qz::PpsObject::decode(*bytes, &ok) : QVariantMap();
    const QVariant number = data.value(QStringLiteral("number"));
    if (!ok || number.typeId() != QMetaType::QString) {
        *why = QStringLiteral("the data is no PPS map with a \"number\"");
        return std::nullopt;
    }
    request.number = number.toString();
    const QVariant line = data.value(QStringLiteral("line_id"), 0);
    const bool isNumber = line.typeId() == QMetaType::Int || line.typeId() == QMetaType::LongLong ||
                          line.typeId() == QMetaType::Double;
    const int lineType = line.toInt(&ok);
    if (!isNumber || !ok || lineType < 0 || lineType >= PhoneExchange::s_lineTypes.size() ||
        line.toDouble() != lineType) {
        *why = QStringLiteral("\"line_id\" is no line type");
        return std::nullopt;
    }
    request.line = PhoneExchange::s_lineTypes.at(lineType);
    request.video = data.value(QStringLiteral("video_call")).toBool();
    request.perimeter = invocation.value(QStringLiteral("perimeter")).toInt();
    return request;
}

PhoneTarget::PhoneTarget(QObject *parent)
    : QObject(parent)
{}

PhoneTarget::~PhoneTarget() = default;

bool PhoneTarget::start(QString *error)
{
    m_navigator = std::make_unique<qz::PpsObject>(NavigatorService::s_controlPath);
    if (!m_navigator->open(qz::PpsOpenMode::PublishSubscribe) ||
        m_navigator->writeMessage(
            {{QStringLiteral("msg"), QStringLiteral("hello")},
             {QStringLiteral("dat"), QVariantMap{{QStringLiteral("target"), s_key},
                                                 {QStringLiteral("pid"), qint64(::getpid())}}}}) !=
            0) {
        *error =
            QStringLiteral("cannot serve the phone target: %1").arg(m_navigator->errorString());
        m_navigator.reset();
        return false;
    }
    connect(m_navigator.get(), &qz::PpsObject::readyRead, this, &PhoneTarget::onReadyRead);
    return true;
}

void PhoneTarget::onReadyRead()
{
    bool ok = false;
    const QByteArray text = m_navigator->read(&ok);
    if (!ok) {
        if (m_navigator->error() != EAGAIN)
            Q_EMIT lost(
                QStringLiteral("%1: %2").arg(m_navigator->path(), m_navigator->errorString()));
        return;
    }
    const QVariantMap message =
        qz::PpsObject::decode(text).value(QStringLiteral("@control")).toMap();
    const QString msg = message.value(QStringLiteral("msg")).toString();
    const QVariantMap dat = message.value(QStringLiteral("dat")).toMap();
    if (msg == QLatin1String("error")) {
        qCWarning(lcDevicePhone).noquote() << "the navigator refused the phone target:"
                                           << dat.value(QStringLiteral("errorText")).toString();
        return;
    }
    if (msg != QLatin1String("event") || dat.value(QStringLiteral("code")).toInt() != InvokedEvent)
        return;
    const QVariantMap invocation =
        dat.value(QStringLiteral("fields")).toMap().value(QStringLiteral("invocation")).toMap();
    // The invoker hears that the invocation arrived, whatever comes of it here.
    if (const QVariant delivery = dat.value(QStringLiteral("delivery")); delivery.isValid())
        m_navigator->writeMessage(
            {{QStringLiteral("msg"), QStringLiteral("invoked")},
             {QStringLiteral("dat"), QVariantMap{{QStringLiteral("delivery"), delivery}}}});
    QString why;
    const std::optional<Request> request = readInvocation(invocation, &why);
    if (!request) {
        qCWarning(lcDevicePhone).noquote() << "invocation ignored:" << why;
        return;
    }
    Q_EMIT requested(*request);
}
