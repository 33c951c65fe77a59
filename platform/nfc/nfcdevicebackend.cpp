#include "nfcdevicebackend.h"
#include "nfc_p.h"

#include <nfc/nfc.h>
#include <qz/PpsObject>

#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>

namespace qz::platform {

const QString NfcDeviceBackend::s_controlPath = QStringLiteral("/pps/services/nfc/control");

namespace {

const QString s_bytesKey = QStringLiteral("$bytes");

// Calls for work the application does itself, only told to the controller (which may refuse
// them when a failure is switched on). Without a controller they simply succeed; so does
// stopping events that cannot have been requested.
bool worksWithoutController(const QByteArray &name)
{
    static const QList<QByteArray> calls{
        "nfc_create_ndef_message", "nfc_create_ndef_message_from_bytes",
        "nfc_delete_ndef_message", "nfc_create_text_record",
        "nfc_create_uri_record",   "nfc_create_ndef_record",
        "nfc_add_ndef_record",     "nfc_destroy_target",
        "nfc_stop_events",
    };
    return calls.contains(name);
}

// Failures of the exchange itself, as the NFC library reports them.
int unavailable()
{
    errno = ENOSYS;
    return NFC_RESULT_SERVICE_UNAVAILABLE;
}

int ioError(int error)
{
    errno = error;
    return NFC_RESULT_IO_ERROR;
}

Backend *makeDefaultBackend()
{
    return new NfcDeviceBackend;
}

// Applications reach the device's NFC controller unless a test installs a backend of its own.
const bool s_registered = (setDefaultBackendFactory(Service::Nfc, &makeDefaultBackend), true);

QVariantMap fromWireMap(const QVariantMap &map)
{
    QVariantMap result;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        result.insert(it.key(), NfcDeviceBackend::fromWire(it.value()));
    return result;
}

} // namespace

NfcDeviceBackend::NfcDeviceBackend()
{
    Q_UNUSED(s_registered);
}

NfcDeviceBackend::~NfcDeviceBackend() = default;

QVariant NfcDeviceBackend::toWire(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QByteArray:
        return QVariantMap{{s_bytesKey, QString::fromLatin1(value.toByteArray().toBase64())}};
    case QMetaType::QVariantList: {
        QVariantList list;
        for (const QVariant &item : value.toList())
            list.append(toWire(item));
        return list;
    }
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash: {
        QVariantMap map;
        const QVariantMap source = value.toMap();
        for (auto it = source.cbegin(); it != source.cend(); ++it)
            map.insert(it.key(), toWire(it.value()));
        return map;
    }
    default:
        return value;
    }
}

QVariant NfcDeviceBackend::fromWire(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QVariantList: {
        QVariantList list;
        for (const QVariant &item : value.toList())
            list.append(fromWire(item));
        return list;
    }
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        if (map.size() == 1 && map.contains(s_bytesKey)) {
            const QByteArray text = map.value(s_bytesKey).toString().toLatin1();
            auto decoded =
                QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
            return decoded ? *decoded : QByteArray();
        }
        return fromWireMap(map);
    }
    default:
        return value;
    }
}

bool NfcDeviceBackend::connectToController()
{
    if (m_object && m_object->isOpen())
        return true;
    m_object = std::make_unique<PpsObject>(s_controlPath);
    if (!m_object->open(PpsOpenMode::PublishSubscribe)) {
        qCDebug(lcNfc).noquote() << "NFC controller not reachable:" << m_object->errorString();
        m_object.reset();
        return false;
    }
    QObject::connect(m_object.get(), &PpsObject::readyRead, m_object.get(), [this] {
        QMutexLocker lock(&m_mutex);
        readEvents();
    });
    if (m_reconnect)
        m_reconnect->stop();
    // A controller that started again knows nothing of this application: it is told again what
    // the application asked for before.
    const auto kept = m_kept;
    for (const auto &[name, args] : kept) {
        const int result = exchange(name, args, nullptr);
        if (result != 0)
            qCWarning(lcNfc).noquote()
                << name << "could not be renewed with the NFC controller:" << result;
    }
    return m_object != nullptr;
}

void NfcDeviceBackend::disconnectFromController()
{
    // Deleted later: this may run inside the object's own readyRead.
    if (m_object)
        m_object.release()->deleteLater();
    if (m_kept.isEmpty())
        return;
    // An application waiting for events makes no calls that would find the controller again.
    if (!m_reconnect) {
        m_reconnect = std::make_unique<QTimer>();
        m_reconnect->setInterval(ReconnectIntervalMs);
        QObject::connect(m_reconnect.get(), &QTimer::timeout, m_reconnect.get(), [this] {
            QMutexLocker lock(&m_mutex);
            connectToController();
        });
    }
    m_reconnect->start();
}

void NfcDeviceBackend::keep(const QByteArray &name, const QVariantList &args)
{
    static const QHash<QByteArray, QByteArray> undoes{
        {"nfc_stop_events", "nfc_request_events"},
        {"nfc_unregister_snep_client", "nfc_register_snep_client"},
        {"nfc_unregister_tag_readerwriter", "nfc_register_tag_readerwriter"},
        {"nfc_unregister_handover_listener", "nfc_register_handover_listener"},
    };
    const auto named = [this](const QByteArray &call) {
        m_kept.erase(std::remove_if(m_kept.begin(), m_kept.end(),
                                    [&call](const auto &kept) { return kept.first == call; }),
                     m_kept.end());
    };
    if (const auto undone = undoes.constFind(name); undone != undoes.cend()) {
        named(*undone);
    } else if (std::find(undoes.cbegin(), undoes.cend(), name) != undoes.cend()) {
        // One listener registration per transport; the others replace what they registered.
        if (name != "nfc_register_handover_listener")
            named(name);
        if (!m_kept.contains(std::pair{name, args}))
            m_kept.append({name, args});
    }
}

QVariantMap NfcDeviceBackend::readMessage(const QByteArray &text)
{
    bool ok = false;
    const QVariantMap decoded = PpsObject::decode(text, &ok);
    const QVariantMap message = decoded.value(QStringLiteral("@control")).toMap();
    if (!ok || message.isEmpty()) {
        qCWarning(lcNfc) << "unreadable message from the NFC controller dropped";
        return {};
    }
    if (message.value(QStringLiteral("msg")).toString() != QLatin1String("event"))
        return message;
    const QVariantMap dat = message.value(QStringLiteral("dat")).toMap();
    bool codeOk = false;
    const int code = dat.value(QStringLiteral("code")).toInt(&codeOk);
    if (!codeOk) {
        qCWarning(lcNfc) << "NFC event without a code dropped";
        return {};
    }
    const QVariantMap fields = fromWireMap(dat.value(QStringLiteral("fields")).toMap());
    QVariantHash hash;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it)
        hash.insert(it.key(), it.value());
    postEvent(domainOf(Service::Nfc), code, hash);
    return {};
}

void NfcDeviceBackend::readEvents()
{
    while (m_object) {
        bool ok = false;
        const QByteArray text = m_object->read(&ok);
        if (!ok) {
            if (m_object->error() != EAGAIN)
                disconnectFromController();
            return;
        }
        // An answer arriving here belongs to a request that gave up waiting.
        readMessage(text);
    }
}

int NfcDeviceBackend::call(const QByteArray &name, const QVariantList &args, QVariantList *out)
{
    QMutexLocker lock(&m_mutex);
    if (!connectToController())
        return worksWithoutController(name) ? 0 : unavailable();
    bool unsent = false;
    int result = exchange(name, args, out, &unsent);
    if (unsent) {
        // A connection left over from a controller that has gone since: the request never left,
        // so it goes once more over a new one.
        if (!connectToController())
            return worksWithoutController(name) ? 0 : unavailable();
        result = exchange(name, args, out);
    }
    if (result == 0)
        keep(name, args);
    return result;
}

int NfcDeviceBackend::exchange(const QByteArray &name, const QVariantList &args, QVariantList *out,
                               bool *unsent)
{
    if (!m_object)
        return ioError(ECONNRESET);
    const QString msg = QString::fromLatin1(name);
    const QString id = QString::number(++m_serial);
    const QVariantMap dat{{QStringLiteral("args"), toWire(args)}};
    if (m_object->writeMessage(msg, id, dat) != 0) {
        qCDebug(lcNfc).noquote() << name << "could not be sent:" << m_object->errorString();
        disconnectFromController();
        if (unsent)
            *unsent = true;
        return ioError(ECONNRESET);
    }
    // The controller answers at once; a short sleep between reads is cheaper than a thread, and
    // keeps events from being dispatched in the middle of the caller's C call.
    QDeadlineTimer deadline(AnswerTimeoutMs);
    unsigned long pauseUs = 50;
    while (!deadline.hasExpired()) {
        bool ok = false;
        const QByteArray text = m_object->read(&ok);
        if (!ok) {
            if (m_object->error() != EAGAIN) {
                qCWarning(lcNfc).noquote() << name << "got no answer:" << m_object->errorString();
                disconnectFromController();
                return ioError(ECONNRESET);
            }
            QThread::usleep(pauseUs);
            pauseUs = qMin(pauseUs * 2, 5000UL);
            continue;
        }
        const QVariantMap answer = readMessage(text);
        if (answer.value(QStringLiteral("res")).toString() != msg ||
            answer.value(QStringLiteral("id")).toString() != id)
            continue;
        if (answer.contains(QStringLiteral("err"))) {
            qCWarning(lcNfc).noquote() << name << "refused by the NFC controller:"
                                       << answer.value(QStringLiteral("errstr")).toString();
            const int error = answer.value(QStringLiteral("err")).toInt();
            readEvents();
            return ioError(error > 0 ? error : EPROTO);
        }
        const QVariantMap answered = answer.value(QStringLiteral("dat")).toMap();
        bool resultOk = false;
        const int result = answered.value(QStringLiteral("result")).toInt(&resultOk);
        // Events that came in with the answer are read already and would get no readyRead().
        readEvents();
        if (!resultOk || result < 0)
            return ioError(EPROTO);
        if (out)
            *out = fromWire(answered.value(QStringLiteral("out"))).toList();
        return result;
    }
    qCWarning(lcNfc).noquote() << name << "got no answer within" << AnswerTimeoutMs << "ms";
    return ioError(ETIMEDOUT);
}

} // namespace qz::platform
