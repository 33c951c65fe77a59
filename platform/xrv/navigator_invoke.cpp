#include <xrv/navigator_invoke.h>

#include "backend_p.h"
#include "eventservice_p.h"
#include "navigator_p.h"

#include <cerrno>
#include <memory>

using namespace qz::platform;
using namespace qz::platform::navigator;

namespace {

const QByteArray DataKey = QByteArrayLiteral("data");
const QList<QByteArray> NumberKeys = {"target_type_mask", "perimeter", "file_transfer_mode",
                                      "list_id"};

bool validHandle(const void *handle)
{
    if (handle)
        return true;
    errno = EINVAL;
    return false;
}

// A setter: hand the call to the backend; keep the value only when the service took it.
int setText(navigator_invoke_invocation_t *invocation, const char *name, const char *key,
            const char *text)
{
    if (!validHandle(invocation))
        return -1;
    const int result =
        forward(Service::Navigator, name, {handleArgument(invocation), textArgument(text)});
    if (result == 0) {
        if (text)
            invocation->texts.insert(key, QByteArray(text));
        else
            invocation->texts.remove(key);
    }
    return result;
}

int setNumber(navigator_invoke_invocation_t *invocation, const char *name, const char *key,
              int value)
{
    if (!validHandle(invocation))
        return -1;
    const int result = forward(Service::Navigator, name, {handleArgument(invocation), value});
    if (result == 0)
        invocation->numbers.insert(key, value);
    return result;
}

int number(const navigator_invoke_invocation_t *invocation, const char *key)
{
    return invocation ? invocation->numbers.value(key) : 0;
}

const char *text(const navigator_invoke_invocation_t *invocation, const char *key)
{
    return invocation ? invocation->text(key) : nullptr;
}

} // namespace

navigator_invoke_invocation navigator_invoke_invocation::fromMap(const QVariantMap &map)
{
    navigator_invoke_invocation invocation;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const QByteArray key = it.key().toUtf8();
        if (NumberKeys.contains(key))
            invocation.numbers.insert(key, it.value().toInt());
        else if (key == DataKey)
            invocation.texts.insert(key, it.value().toByteArray());
        else
            invocation.texts.insert(key, it.value().toString().toUtf8());
    }
    return invocation;
}

QVariantMap navigator_invoke_invocation::toMap() const
{
    QVariantMap map;
    for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
        const QString key = QString::fromUtf8(it.key());
        map.insert(key, it.key() == DataKey ? QVariant(it.value())
                                            : QVariant(QString::fromUtf8(it.value())));
    }
    for (auto it = numbers.cbegin(); it != numbers.cend(); ++it)
        map.insert(QString::fromUtf8(it.key()), it.value());
    return map;
}

const char *navigator_invoke_invocation::text(const char *key) const
{
    const auto it = texts.constFind(QByteArray(key));
    return it == texts.cend() ? nullptr : it->constData();
}

namespace qz::platform::navigator {

QVariant handleArgument(const void *handle)
{
    return QVariant::fromValue(qulonglong(quintptr(handle)));
}

QVariant textArgument(const char *text)
{
    return text ? QVariant(QString::fromUtf8(text)) : QVariant();
}

const void *eventHandle(xrv_event_t *event, const char *key,
                        std::shared_ptr<void> (*build)(const QVariantMap &field))
{
    const QVariant field = eventField(event, key);
    if (!field.isValid())
        return nullptr;
    std::lock_guard<std::mutex> lock(event->cacheMutex);
    std::shared_ptr<void> &slot = event->handles[QByteArray(key)];
    if (!slot)
        slot = build(field.toMap());
    return slot.get();
}

int eventNumber(xrv_event_t *event, const char *key)
{
    const QVariant value = eventField(event, key);
    bool ok = false;
    const int result = value.toInt(&ok);
    return ok ? result : -1;
}

const char *eventStringOrErrno(xrv_event_t *event, const char *key)
{
    const char *result = eventString(event, key);
    if (!result) {
        const QVariant error = eventField(event, "errno");
        if (error.isValid())
            errno = error.toInt();
    }
    return result;
}

} // namespace qz::platform::navigator

extern "C" {

int navigator_invoke_invocation_create(navigator_invoke_invocation_t **invocation)
{
    if (!validHandle(invocation))
        return -1;
    const int result = forward(Service::Navigator, "navigator_invoke_invocation_create");
    *invocation = result == 0 ? new navigator_invoke_invocation : nullptr;
    return result;
}

int navigator_invoke_invocation_destroy(navigator_invoke_invocation_t *invocation)
{
    if (!validHandle(invocation))
        return -1;
    const int result = forward(Service::Navigator, "navigator_invoke_invocation_destroy",
                               {handleArgument(invocation)});
    delete invocation;
    return result;
}

int navigator_invoke_invocation_set_id(navigator_invoke_invocation_t *invocation, const char *id)
{
    return setText(invocation, "navigator_invoke_invocation_set_id", "id", id);
}

int navigator_invoke_invocation_set_target(navigator_invoke_invocation_t *invocation,
                                           const char *target)
{
    return setText(invocation, "navigator_invoke_invocation_set_target", "target", target);
}

int navigator_invoke_invocation_set_target_type_mask(navigator_invoke_invocation_t *invocation,
                                                     int target_type_mask)
{
    return setNumber(invocation, "navigator_invoke_invocation_set_target_type_mask",
                     "target_type_mask", target_type_mask);
}

int navigator_invoke_invocation_set_action(navigator_invoke_invocation_t *invocation,
                                           const char *action)
{
    return setText(invocation, "navigator_invoke_invocation_set_action", "action", action);
}

int navigator_invoke_invocation_set_type(navigator_invoke_invocation_t *invocation,
                                         const char *mime_type)
{
    return setText(invocation, "navigator_invoke_invocation_set_type", "type", mime_type);
}

int navigator_invoke_invocation_set_uri(navigator_invoke_invocation_t *invocation, const char *uri)
{
    return setText(invocation, "navigator_invoke_invocation_set_uri", "uri", uri);
}

int navigator_invoke_invocation_set_data(navigator_invoke_invocation_t *invocation,
                                         const void *data, int data_length)
{
    if (!validHandle(invocation))
        return -1;
    if (data_length < 0 || (data_length > 0 && !data)) {
        errno = EINVAL;
        return -1;
    }
    const QByteArray bytes(static_cast<const char *>(data), data_length);
    const int result = forward(Service::Navigator, "navigator_invoke_invocation_set_data",
                               {handleArgument(invocation), bytes, data_length});
    if (result == 0)
        invocation->texts.insert(DataKey, bytes);
    return result;
}

int navigator_invoke_invocation_set_metadata(navigator_invoke_invocation_t *invocation,
                                             const char *metadata)
{
    return setText(invocation, "navigator_invoke_invocation_set_metadata", "metadata", metadata);
}

int navigator_invoke_invocation_set_perimeter(navigator_invoke_invocation_t *invocation,
                                              int perimeter)
{
    return setNumber(invocation, "navigator_invoke_invocation_set_perimeter", "perimeter",
                     perimeter);
}

int navigator_invoke_invocation_set_file_transfer_mode(navigator_invoke_invocation_t *invocation,
                                                       int file_transfer_mode)
{
    return setNumber(invocation, "navigator_invoke_invocation_set_file_transfer_mode",
                     "file_transfer_mode", file_transfer_mode);
}

int navigator_invoke_invocation_set_list_id(navigator_invoke_invocation_t *invocation, int list_id)
{
    return setNumber(invocation, "navigator_invoke_invocation_set_list_id", "list_id", list_id);
}

int navigator_invoke_invocation_send(const navigator_invoke_invocation_t *invocation)
{
    if (!validHandle(invocation))
        return -1;
    return forward(Service::Navigator, "navigator_invoke_invocation_send",
                   {handleArgument(invocation), invocation->toMap()});
}

const char *navigator_invoke_invocation_get_id(const navigator_invoke_invocation_t *invocation)
{
    return text(invocation, "id");
}

const char *navigator_invoke_invocation_get_target(const navigator_invoke_invocation_t *invocation)
{
    return text(invocation, "target");
}

int navigator_invoke_invocation_get_target_type_mask(
    const navigator_invoke_invocation_t *invocation)
{
    return number(invocation, "target_type_mask");
}

const char *navigator_invoke_invocation_get_action(const navigator_invoke_invocation_t *invocation)
{
    return text(invocation, "action");
}

const char *navigator_invoke_invocation_get_type(const navigator_invoke_invocation_t *invocation)
{
    return text(invocation, "type");
}

const char *navigator_invoke_invocation_get_uri(const navigator_invoke_invocation_t *invocation)
{
    return text(invocation, "uri");
}

const void *navigator_invoke_invocation_get_data(const navigator_invoke_invocation_t *invocation)
{
    return text(invocation, "data");
}

int navigator_invoke_invocation_get_data_length(const navigator_invoke_invocation_t *invocation)
{
    return invocation ? int(invocation->texts.value(DataKey).size()) : 0;
}

const char *
navigator_invoke_invocation_get_metadata(const navigator_invoke_invocation_t *invocation)
{
    return text(invocation, "metadata");
}

int navigator_invoke_invocation_get_perimeter(const navigator_invoke_invocation_t *invocation)
{
    return number(invocation, "perimeter");
}

int navigator_invoke_invocation_get_file_transfer_mode(
    const navigator_invoke_invocation_t *invocation)
{
    return number(invocation, "file_transfer_mode");
}

int navigator_invoke_invocation_get_list_id(const navigator_invoke_invocation_t *invocation)
{
    return number(invocation, "list_id");
}

int navigator_invoke_select_list_item(int selection)
{
    return forward(Service::Navigator, "navigator_invoke_select_list_item", {selection});
}

const navigator_invoke_invocation_t *navigator_invoke_event_get_invocation(xrv_event_t *event)
{
    return static_cast<const navigator_invoke_invocation_t *>(
        eventHandle(event, "invocation", [](const QVariantMap &field) -> std::shared_ptr<void> {
            return std::make_shared<navigator_invoke_invocation>(
                navigator_invoke_invocation::fromMap(field));
        }));
}

int navigator_invoke_event_get_group_id(xrv_event_t *event)
{
    return eventNumber(event, "group_id");
}

const char *navigator_invoke_event_get_dname(xrv_event_t *event)
{
    return eventString(event, "dname");
}

int navigator_invoke_event_get_error_code(xrv_event_t *event)
{
    return eventNumber(event, "error_code");
}

const char *navigator_invoke_event_get_target(xrv_event_t *event)
{
    return eventString(event, "target");
}

int navigator_invoke_event_get_target_type(xrv_event_t *event)
{
    return eventNumber(event, "target_type");
}

const char *navigator_invoke_event_get_window_id(xrv_event_t *event)
{
    return eventString(event, "window_id");
}

int navigator_invoke_event_get_list_id(xrv_event_t *event)
{
    return eventNumber(event, "list_id");
}

int navigator_invoke_event_get_list_cursor_direction(xrv_event_t *event)
{
    return eventNumber(event, "list_cursor_direction");
}

int navigator_invoke_event_get_list_item_selection(xrv_event_t *event)
{
    return eventNumber(event, "list_item_selection");
}

} // extern "C"
