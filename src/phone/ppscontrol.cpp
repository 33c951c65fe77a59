#include "ppscontrol_p.h"

#include "line_p.h"
#include "phonelogging_p.h"

#include <QPointer>

#include <unistd.h>

namespace qz::system::phone {

namespace {

const QString Msg = QStringLiteral("msg");
const QString Id = QStringLiteral("id");
const QString Dat = QStringLiteral("dat");
const QString Res = QStringLiteral("res");
const QString CallIdKey = QStringLiteral("call_id");
const QString ControlKey = QStringLiteral("@control");

// The text as a JSON string body: tones come from the application, and a quote or a line break
// in them must not end the string or the message early.
QString jsonStringBody(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'"' || c == u'\\') {
            out += u'\\';
            out += c;
        } else if (c.unicode() < 0x20) {
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

const QString PpsControl::PRIVATE_CONTROL_PATH =
    QStringLiteral("/pps/services/phone/private/control");
const QString PpsControl::PROTECTED_CONTROL_PATH =
    QStringLiteral("/pps/services/phone/protected/control");
const QString PpsControl::PUBLIC_CONTROL_PATH =
    QStringLiteral("/pps/services/phone/public/control");

PpsControl::PpsControl(QObject *parent)
    : QObject(parent)
    , m_private(PRIVATE_CONTROL_PATH)
    , m_protected(PROTECTED_CONTROL_PATH)
    , m_public(PUBLIC_CONTROL_PATH)
{}

PpsControl::~PpsControl() = default;

QString PpsControl::processId()
{
    return QString::number(qint64(::getpid()));
}

bool PpsControl::tryLevel(qz::PpsObject *object, const char *level)
{
    m_object = object;
    if (!connect(object, &qz::PpsObject::readyRead, this, &PpsControl::readyRead)) {
        qCWarning(lcPhone, "PpsControl unable to connect %s readyRead signal to readyRead slot",
                  level);
        return false;
    }
    if (object->open(qz::PpsOpenMode::PublishSubscribe))
        return true;
    qCWarning(lcPhone).noquote()
        << QStringLiteral("PpsControl unable to open path: %1\n").arg(object->path());
    disconnect(object, &qz::PpsObject::readyRead, this, &PpsControl::readyRead);
    m_object = nullptr;
    return false;
}

bool PpsControl::startListening()
{
    return tryLevel(&m_private, "private") || tryLevel(&m_protected, "protected") ||
           tryLevel(&m_public, "public");
}

bool PpsControl::write(const QString &text)
{
    return m_object && m_object->write(text.toUtf8());
}

bool PpsControl::readyRead()
{
    if (!m_object)
        return false;
    bool ok = false;
    const QByteArray data = m_object->read(&ok);
    if (!ok)
        return false;
    const QVariantMap objects = qz::PpsObject::decode(data, &ok);
    if (!ok)
        return false;
    const qint64 self = qint64(::getpid());
    QPointer<PpsControl> guard(this);
    for (auto it = objects.cbegin(); it != objects.cend() && guard; ++it) {
        if (it.key() != ControlKey || it.value().typeId() != QMetaType::QVariantMap)
            continue;
        const QVariantMap response = it.value().toMap();
        // Answers to every client of the control object pass here; only ours are taken.
        bool numeric = false;
        const qint64 id = response.value(Id).toLongLong(&numeric);
        if (response.contains(Res) && numeric && id == self)
            Q_EMIT callCommandResponseReceived(response);
    }
    return true;
}

bool PpsControl::writeMessage(const QVariantMap &message)
{
    bool ok = false;
    const QByteArray text = qz::PpsObject::encode(message, &ok);
    return ok && m_object && m_object->write(text);
}

bool PpsControl::sendActionMsg(int callId, const char *action)
{
    const QString name = QString::fromLatin1(action);
    qCDebug(lcPhone).noquote()
        << QStringLiteral("sendActionMsg: writing %1 into PPS, id: %2").arg(name, processId());
    return writeMessage(
        {{Msg, name}, {Id, processId()}, {Dat, QVariantMap{{CallIdKey, QString::number(callId)}}}});
}

bool PpsControl::sendCommand(const char *name, int callId, const char *action)
{
    if (callId < 1) {
        qCWarning(lcPhone, "%s: invalid callId: %d", name, callId);
        return false;
    }
    return sendActionMsg(callId, action);
}

bool PpsControl::splitCall(int callId)
{
    return sendCommand("splitCall", callId, "split_call");
}

bool PpsControl::resumeCall(int callId)
{
    return sendCommand("resumeCall", callId, "resume_call");
}

bool PpsControl::holdCall(int callId)
{
    return sendCommand("holdCall", callId, "hold_call");
}

bool PpsControl::rejectCall(int callId)
{
    return sendCommand("rejectCall", callId, "reject_call");
}

bool PpsControl::endCall(int callId)
{
    return sendCommand("endCall", callId, "end_call");
}

bool PpsControl::mergeCall(int callId1, int callId2)
{
    return writeMessage(
        {{Msg, QStringLiteral("join_call")},
         {Id, processId()},
         {Dat, QVariantMap{{QStringLiteral("call_id1"), QString::number(callId1)},
                           {QStringLiteral("call_id2"), QString::number(callId2)}}}});
}

bool PpsControl::sendDTMFTones(const QByteArray &tones, LineType::Type lineType)
{
    const qsizetype end = tones.indexOf('\0');
    const QString text = QString::fromUtf8(end < 0 ? tones : tones.left(end));
    const QString message =
        QStringLiteral(
            "msg::send_dtmf_tones\nid::42\ndat:json:{\"line\":\"%1\",\"tones\":\"%2\"}\n")
            .arg(LinePrivate::lineTypeName(lineType), jsonStringBody(text));
    return write(message);
}

} // namespace qz::system::phone
