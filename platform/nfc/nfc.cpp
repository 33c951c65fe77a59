#include <nfc/nfc.h>

#include "../xrv/backend_p.h"
#include "../xrv/eventservice_p.h"
#include "nfc_p.h"

#include <QHash>
#include <QLoggingCategory>
#include <QMutex>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>

using namespace qz::platform;

Q_LOGGING_CATEGORY(qz::platform::lcNfc, "qz.platform.nfc")

namespace {

enum class Kind { Message, Record, Target };

// Every live handle, so that a stale, foreign or mistyped one is refused instead of used.
struct Handles
{
    QMutex mutex;
    QHash<const void *, Kind> live;

    static Handles &instance()
    {
        static Handles handles;
        return handles;
    }
};

void track(const void *handle, Kind kind)
{
    Handles &h = Handles::instance();
    QMutexLocker lock(&h.mutex);
    h.live.insert(handle, kind);
}

void untrack(const void *handle)
{
    Handles &h = Handles::instance();
    QMutexLocker lock(&h.mutex);
    h.live.remove(handle);
}

bool alive(const void *handle, Kind kind)
{
    if (!handle)
        return false;
    Handles &h = Handles::instance();
    QMutexLocker lock(&h.mutex);
    const auto it = h.live.constFind(handle);
    return it != h.live.cend() && *it == kind;
}

nfc_result_t failure(nfc_result_t result, int error)
{
    errno = error;
    return result;
}

nfc_result_t invalid()
{
    return failure(NFC_RESULT_INVALID_PARAMETER, EINVAL);
}

// A backend's answer as an NFC result: it refuses with -1 and the code in errno, or returns a
// positive code itself.
nfc_result_t resultOf(int answer)
{
    if (answer == 0)
        return NFC_RESULT_SUCCESS;
    if (answer > 0)
        return failure(nfc_result_t(answer), EIO);
    if (errno > 0)
        return nfc_result_t(errno);
    return failure(NFC_RESULT_IO_ERROR, EIO);
}

nfc_result_t request(const char *name, const QVariantList &args = {}, QVariantList *out = nullptr)
{
    if (!backend(Service::Nfc))
        return failure(NFC_RESULT_SERVICE_UNAVAILABLE, ENOSYS);
    return resultOf(forward(Service::Nfc, name, args, out));
}

// For functions that work locally: the backend is told and may refuse.
nfc_result_t tell(const char *name, const QVariantList &args = {})
{
    return resultOf(notify(Service::Nfc, name, args));
}

QVariant textArgument(const char *text)
{
    return text ? QVariant(QString::fromUtf8(text)) : QVariant();
}

nfc_ndef_record *newRecord(const ndef::Record &data)
{
    auto *record = new nfc_ndef_record;
    record->data = data;
    track(record, Kind::Record);
    return record;
}

nfc_ndef_message *newMessage(const ndef::Message &data, nfc_target *target)
{
    auto *message = new nfc_ndef_message;
    message->target = target;
    for (const ndef::Record &record : data) {
        message->records.emplace_back(newRecord(record));
        message->records.back()->message = message;
    }
    track(message, Kind::Message);
    return message;
}

void deleteMessage(nfc_ndef_message *message, bool withRecords)
{
    untrack(message);
    for (auto &record : message->records) {
        record->message = nullptr;
        if (withRecords)
            untrack(record.get());
        else
            record.release(); // back with the caller, who created it
    }
    delete message;
}

ndef::Message contentOf(const nfc_ndef_message *message)
{
    ndef::Message data;
    for (const auto &record : message->records)
        data.append(record->data);
    return data;
}

QByteArray bytesOf(const nfc_ndef_message *message)
{
    return ndef::encode(contentOf(message));
}

nfc_result_t readText(nfc_ndef_record *record)
{
    QString text;
    QByteArray language;
    switch (ndef::readText(record->data, &text, &language)) {
    case ndef::Content::OtherKind:
        return failure(NFC_RESULT_UNSUPPORTED_RECORD, EINVAL);
    case ndef::Content::Malformed:
        return failure(NFC_RESULT_BAD_NDEF_FORMAT, EBADMSG);
    case ndef::Content::Ok:
        break;
    }
    record->text = text.toUtf8();
    record->language = language;
    return NFC_RESULT_SUCCESS;
}

nfc_result_t carrierAddress(nfc_ndef_record_t *record, int transport, char **mac_address)
{
    if (!alive(record, Kind::Record) || !mac_address)
        return invalid();
    int found = 0;
    QByteArray address;
    const ndef::Content content = ndef::readCarrier(record->data, &found, &address);
    if (content == ndef::Content::OtherKind || found != transport)
        return failure(NFC_RESULT_UNSUPPORTED_RECORD, EINVAL);
    if (content == ndef::Content::Malformed)
        return failure(NFC_RESULT_BAD_NDEF_FORMAT, EBADMSG);
    *mac_address = static_cast<char *>(std::malloc(size_t(address.size()) + 1));
    if (!*mac_address)
        return failure(NFC_RESULT_IO_ERROR, ENOMEM);
    std::memcpy(*mac_address, address.constData(), size_t(address.size()) + 1);
    return NFC_RESULT_SUCCESS;
}

bool validTransport(int transport)
{
    return transport == NFC_HANDOVER_TRANSPORT_BLUETOOTH ||
           transport == NFC_HANDOVER_TRANSPORT_WIFI_DIRECT;
}

} // namespace

extern "C" {

int nfc_get_domain(void)
{
    return domainOf(Service::Nfc);
}

int nfc_request_events(int flags)
{
    return notify(Service::Nfc, "nfc_request_events", {flags});
}

int nfc_stop_events(void)
{
    return notify(Service::Nfc, "nfc_stop_events");
}

nfc_result_t nfc_get_nfc_event(xrv_event_t *event, nfc_event_t **nfc_event)
{
    if (!nfc_event)
        return invalid();
    *nfc_event = nullptr;
    if (!event || event->domain != domainOf(Service::Nfc))
        return invalid();
    const int error = eventField(event, "nfc_event_error").toInt();
    if (error != 0)
        return failure(nfc_result_t(error), EIO);
    std::lock_guard<std::mutex> lock(event->cacheMutex);
    std::shared_ptr<void> &slot = event->handles[QByteArrayLiteral("nfc_event")];
    if (!slot) {
        auto view = std::make_shared<struct nfc_event>();
        view->event = event;
        slot = view;
    }
    *nfc_event = static_cast<nfc_event_t *>(slot.get());
    return NFC_RESULT_SUCCESS;
}

nfc_result_t nfc_get_target(nfc_event_t *event, nfc_target_t **target)
{
    if (!target)
        return invalid();
    *target = nullptr;
    if (!event || !event->event)
        return invalid();
    const QVariant field = eventField(event->event, "target");
    if (!field.isValid())
        return failure(NFC_RESULT_NOT_FOUND, ENOENT);
    const QVariantMap map = field.toMap();
    auto *made = new nfc_target;
    made->id = map.value(QStringLiteral("id"));
    for (const QVariant &bytes : map.value(QStringLiteral("ndef_messages")).toList())
        made->encodedMessages.append(bytes.toByteArray());
    made->messages.resize(size_t(made->encodedMessages.size()));
    const QVariant role = map.value(QStringLiteral("handover_role"));
    made->hasRole = role.isValid();
    made->role = role.toInt();
    track(made, Kind::Target);
    *target = made;
    return NFC_RESULT_SUCCESS;
}

nfc_result_t nfc_destroy_target(nfc_target_t *target)
{
    if (!alive(target, Kind::Target))
        return invalid();
    const nfc_result_t told = tell("nfc_destroy_target", {target->id});
    untrack(target);
    for (auto &message : target->messages) {
        if (message)
            deleteMessage(message.release(), true);
    }
    delete target;
    return told;
}

nfc_result_t nfc_get_ndef_message_count(nfc_target_t *target, unsigned int *count)
{
    if (!alive(target, Kind::Target) || !count)
        return invalid();
    *count = unsigned(target->encodedMessages.size());
    return NFC_RESULT_SUCCESS;
}

nfc_result_t nfc_get_ndef_message(nfc_target_t *target, unsigned int index,
                                  nfc_ndef_message_t **message)
{
    if (!alive(target, Kind::Target) || !message)
        return invalid();
    *message = nullptr;
    if (index >= target->messages.size())
        return failure(NFC_RESULT_NOT_FOUND, ENOENT);
    std::unique_ptr<nfc_ndef_message> &slot = target->messages[index];
    if (!slot) {
        ndef::Message data;
        QString error;
        if (!ndef::parse(target->encodedMessages.at(index), &data, &error)) {
            qCWarning(lcNfc, "NDEF message %u of target %s refused: %s", index,
                      qPrintable(target->id.toString()), qPrintable(error));
            return failure(NFC_RESULT_BAD_NDEF_FORMAT, EBADMSG);
        }
        slot.reset(newMessage(data, target));
    }
    *message = slot.get();
    return NFC_RESULT_SUCCESS;
}

nfc_result_t nfc_get_handover_role(nfc_target_t *target, nfc_handover_role_t *role)
{
    if (!alive(target, Kind::Target) || !role)
        return invalid();
    if (!target->hasRole)
        return failure(NFC_RESULT_NOT_FOUND, ENOENT);
    *role = nfc_handover_role_t(target->role);
    return NFC_RESULT_SUCCESS;
}

nfc_result_t nfc_get_handover_transport_type(nfc_ndef_record_t *record,
                                             nfc_handover_transport_t *transport)
{
    if (!alive(record, Kind::Record) || !transport)
        return invalid();
    int found = 0;
    QByteArray address;
    // The transport is named by the record type, whatever the payload holds.
    if (ndef::readCarrier(record->data, &found, &address) == ndef::Content::OtherKind)
        return failure(NFC_RESULT_UNSUPPORTED_RECORD, EINVAL);
    *transport = nfc_handover_transport_t(found);
    return NFC_RESULT_SUCCESS;
}

nfc_result_t nfc_get_handover_bluetooth_mac_address(nfc_ndef_record_t *record, char **mac_address)
{
    return carrierAddress(record, NFC_HANDOVER_TRANSPORT_BLUETOOTH, mac_address);
}

nfc_result_t nfc_get_handover_wifi_direct_mac_address(nfc_ndef_record_t *record, char **mac_address)
{
    return carrierAddress(record, NFC_HANDOVER_TRANSPORT_WIFI_DIRECT, mac_address);
}

nfc_result_t nfc_create_ndef_message(nfc_ndef_message_t **message)
{
    if (!message)
        return invalid();
    *message = nullptr;
    const nfc_result_t told = tell("nfc_create_ndef_message");
    if (told != NFC_RESULT_SUCCESS)
        return told;
    *message = newMessage({}, nullptr);
    return NFC_RESULT_SUCCESS;
}

nfc_result_t nfc_create_ndef_message_from_bytes(const uint8_t *bytes, size_t length,
                                                nfc_ndef_message_t **message)
{
    if (!message)
        return invalid();
    *message = nullptr;
    if ((!bytes && length > 0) || length > size_t(std::numeric_limits<qsizetype>::max()))
        return invalid();
    const QByteArray data =
        QByteArray::fromRawData(reinterpret_cast<const char *>(bytes), qsizetype(length));
    const nfc_result_t told =
        tell("nfc_create_ndef_message_from_bytes",
             {QByteArray(data.constData(), data.size()), qulonglong(length)}); // a deep copy
    if (told != NFC_RESULT_SUCCESS)
        return told;
    ndef::Message parsed;
    QString error;
    if (!ndef::parse(data, &parsed, &error)) {
        qCDebug(lcNfc, "NDEF bytes refused: %s", qPrintable(error));
        return failure(NFC_RESULT_BAD_NDEF_FORMAT, EBADMSG);
    }
    *message = newMessage(parsed, nullptr);
    return NFC_RESULT_SUCCESS;
}

nfc_result_t nfc_delete_ndef_message(nfc_ndef_message_t *message, bool delete_records)
{
    if (!alive(message, Kind::Message) || message->target)
        return invalid();
    // Released whatever the backend says: callers cannot keep a message they let go of, and a
    // controller that is going away must not turn each release into a leak.
    const nfc_result_t told = tell("nfc_delete_ndef_message", {bytesOf(message), delete_records});
    deleteMessage(message, delete_records);
    return told;
}

nfc_result_t nfc_create_text_record(const char *text, const char *language,
                                    nfc_ndef_record_t **record)
{
    if (!record)
        return invalid();
    *record = nullptr;
    if (!text || !language)
        return invalid();
    const QByteArray code(language);
    const bool ascii =
        std::all_of(code.cbegin(), code.cend(), [](char c) { return c > 0x20 && c < 0x7f; });
    if (code.isEmpty() || code.size() > 0x3f || !ascii)
        return invalid();
    const nfc_result_t told =
        tell("nfc_create_text_record", {QString::fromUtf8(text), QString::fromUtf8(language)});
    if (told != NFC_RESULT_SUCCESS)
        return told;
    *record = newRecord(ndef::textRecord(QByteArray(text), code));
    return NFC_RESULT_SUCCESS;
}

nfc_result_t nfc_create_uri_record(const char *uri, nfc_ndef_record_t **record)
{
    if (!record)
        return invalid();
    *record = nullptr;
    if (!uri)
        return invalid();
    const nfc_result_t told = tell("nfc_create_uri_record", {QString::fromUtf8(uri)});
    if (told != NFC_RESULT_SUCCESS)
        return told;
    *record = newRecord(ndef::uriRecord(QByteArray(uri)));
    return NFC_RESULT_SUCCESS;
}

nfc_result_t nfc_create_ndef_record(nfc_tnf_t tnf, const char *type, const uint8_t *payload,
                                    size_t payload_length, const char *id,
                                    nfc_ndef_record_t **record)
{
    if (!record)
        return invalid();
    *record = nullptr;
    if ((!payload && payload_length > 0) || payload_length > 0xffffffffu ||
        int(tnf) < NFC_TNF_EMPTY || int(tnf) >= NFC_TNF_UNCHANGED)
        return invalid();
    const ndef::Record data{
        quint8(tnf), QByteArray(type), QByteArray(id),
        QByteArray(reinterpret_cast<const char *>(payload), qsizetype(payload_length))};
    const QString problem = ndef::recordProblem(data);
    if (!problem.isEmpty()) {
        qCDebug(lcNfc, "NDEF record refused: %s", qPrintable(problem));
        return invalid();
    }
    const nfc_result_t told =
        tell("nfc_create_ndef_record", {int(tnf), QString::fromUtf8(data.type), data.payload,
                                        qulonglong(payload_length), textArgument(id)});
    if (told != NFC_RESULT_SUCCESS)
        return told;
    *record = newRecord(data);
    return NFC_RESULT_SUCCESS;
}

nfc_result_t nfc_add_ndef_record(nfc_ndef_message_t *message, nfc_ndef_record_t *record)
{
    if (!alive(message, Kind::Message) || !alive(record, Kind::Record) || message->target ||
        record->message)
        return invalid();
    const nfc_result_t told =
        tell("nfc_add_ndef_record", {bytesOf(message), ndef::encode({record->data})});
    if (told != NFC_RESULT_SUCCESS)
        return told;
    record->message = message;
    message->records.emplace_back(record);
    return NFC_RESULT_SUCCESS;
}

nfc_result_t nfc_delete_ndef_record(nfc_ndef_record_t *record)
{
    if (!alive(record, Kind::Record) || record->message)
        return invalid();
    untrack(record);
    delete record;
    return NFC_RESULT_SUCCESS;
}

nfc_result_t nfc_get_ndef_record_count(nfc_ndef_message_t *message, unsigned int *count)
{
    if (!alive(message, Kind::Message) || !count)
        return invalid();
    *count = unsigned(message->records.size());
    return NFC_RESULT_SUCCESS;
}

nfc_result_t nfc_get_ndef_record(nfc_ndef_message_t *message, unsigned int index,
                                 nfc_ndef_record_t **record)
{
    if (!alive(message, Kind::Message) || !record)
        return invalid();
    *record = nullptr;
    if (index >= message->records.size())
        return failure(NFC_RESULT_NOT_FOUND, ENOENT);
    *record = message->records[index].get();
    return NFC_RESULT_SUCCESS;
}

nfc_result_t nfc_get_ndef_message_byte_length(nfc_ndef_message_t *message, size_t *length)
{
    if (!alive(message, Kind::Message) || !length)
        return invalid();
    *length = size_t(bytesOf(message).size());
    return NFC_RESULT_SUCCESS;
}

nfc_result_t nfc_get_ndef_message_bytes(nfc_ndef_message_t *message, uint8_t *buffer,
                                        size_t capacity, size_t *length)
{
    if (!alive(message, Kind::Message) || !buffer || !length)
        return invalid();
    const QByteArray bytes = bytesOf(message);
    if (size_t(bytes.size()) > capacity)
        return invalid();
    std::memcpy(buffer, bytes.constData(), size_t(bytes.size()));
    *length = size_t(bytes.size());
    return NFC_RESULT_SUCCESS;
}

nfc_result_t nfc_get_ndef_record_tnf(nfc_ndef_record_t *record, nfc_tnf_t *tnf)
{
    if (!alive(record, Kind::Record) || !tnf)
        return invalid();
    *tnf = nfc_tnf_t(record->data.tnf);
    return NFC_RESULT_SUCCESS;
}

nfc_result_t nfc_get_ndef_record_type(nfc_ndef_record_t *record, const char **type)
{
    if (!alive(record, Kind::Record) || !type)
        return invalid();
    *type = record->data.type.constData();
    return NFC_RESULT_SUCCESS;
}

nfc_result_t nfc_get_ndef_record_id(nfc_ndef_record_t *record, const char **id)
{
    if (!alive(record, Kind::Record) || !id)
        return invalid();
    *id = record->data.id.constData();
    return NFC_RESULT_SUCCESS;
}

nfc_result_t nfc_get_ndef_record_payload(nfc_ndef_record_t *record, const uint8_t **payload,
                                         size_t *length)
{
    if (!alive(record, Kind::Record) || !payload || !length)
        return invalid();
    *payload = reinterpret_cast<const uint8_t *>(record->data.payload.constData());
    *length = size_t(record->data.payload.size());
    return NFC_RESULT_SUCCESS;
}

nfc_result_t nfc_get_text_record(nfc_ndef_record_t *record, const char **text,
                                 const char **language)
{
    if (!alive(record, Kind::Record) || !text || !language)
        return invalid();
    const nfc_result_t result = readText(record);
    if (result != NFC_RESULT_SUCCESS)
        return result;
    *text = record->text.constData();
    *language = record->language.constData();
    return NFC_RESULT_SUCCESS;
}

nfc_result_t nfc_get_uri_record(nfc_ndef_record_t *record, const char **uri)
{
    if (!alive(record, Kind::Record) || !uri)
        return invalid();
    QByteArray expanded;
    switch (ndef::readUri(record->data, &expanded)) {
    case ndef::Content::OtherKind:
        return failure(NFC_RESULT_UNSUPPORTED_RECORD, EINVAL);
    case ndef::Content::Malformed:
        return failure(NFC_RESULT_BAD_NDEF_FORMAT, EBADMSG);
    case ndef::Content::Ok:
        break;
    }
    record->uri = expanded;
    *uri = record->uri.constData();
    return NFC_RESULT_SUCCESS;
}

nfc_result_t nfc_register_snep_client(void)
{
    return request("nfc_register_snep_client");
}

nfc_result_t nfc_unregister_snep_client(void)
{
    return request("nfc_unregister_snep_client");
}

nfc_result_t nfc_register_tag_readerwriter(int tag_types)
{
    return request("nfc_register_tag_readerwriter", {tag_types});
}

nfc_result_t nfc_unregister_tag_readerwriter(void)
{
    return request("nfc_unregister_tag_readerwriter");
}

nfc_result_t nfc_register_handover_listener(nfc_handover_transport_t transport)
{
    if (!validTransport(transport))
        return invalid();
    return request("nfc_register_handover_listener", {int(transport)});
}

nfc_result_t nfc_unregister_handover_listener(void)
{
    return request("nfc_unregister_handover_listener");
}

nfc_result_t nfc_confirm_handover_process(nfc_target_t *target, bool confirm)
{
    if (!alive(target, Kind::Target))
        return invalid();
    return request("nfc_confirm_handover_process", {target->id, confirm});
}

nfc_result_t nfc_confirm_handover_process_with_transports(
    nfc_target_t *target, const nfc_handover_transport_t *transports, unsigned int count)
{
    if (!alive(target, Kind::Target) || (!transports && count > 0))
        return invalid();
    QVariantList codes;
    for (unsigned int i = 0; i < count; ++i) {
        if (!validTransport(transports[i]))
            return invalid();
        codes.append(int(transports[i]));
    }
    return request("nfc_confirm_handover_process_with_transports", {target->id, codes, count});
}

nfc_result_t nfc_push_ndef_message(nfc_target_t *target, nfc_ndef_message_t *message)
{
    if (!alive(target, Kind::Target) || !alive(message, Kind::Message))
        return invalid();
    return request("nfc_push_ndef_message", {target->id, bytesOf(message)});
}

nfc_result_t nfc_write_ndef_message_to_tag(nfc_target_t *target, nfc_ndef_message_t *message,
                                           bool optimize)
{
    if (!alive(target, Kind::Target) || !alive(message, Kind::Message))
        return invalid();
    return request("nfc_write_ndef_message_to_tag", {target->id, bytesOf(message), optimize});
}

nfc_result_t nfc_get_setting(int setting, bool *value)
{
    if (!value)
        return invalid();
    QVariantList out;
    const nfc_result_t result = request("nfc_get_setting", {setting}, &out);
    if (result != NFC_RESULT_SUCCESS)
        return result;
    const QVariant answer = out.value(0);
    switch (answer.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::LongLong:
        *value = answer.toBool();
        return NFC_RESULT_SUCCESS;
    default:
        qCWarning(lcNfc, "nfc_get_setting(%d): the service answered no value", setting);
        return failure(NFC_RESULT_IO_ERROR, EIO);
    }
}

} // extern "C"
