#include <xrv/navigator_query.h>

#include "backend_p.h"
#include "eventservice_p.h"
#include "navigator_p.h"

#include <QStringList>

#include <cerrno>
#include <memory>
#include <optional>
#include <vector>

using namespace qz::platform;
using namespace qz::platform::navigator;

struct navigator_invoke_query
{
    // Keyed as the content map navigator_invoke_query_send() hands to the backend.
    QVariantMap content;
};

struct navigator_invoke_query_result_target
{
    std::optional<QByteArray> key, icon, splash, label;
    int type = -1;
    int perimeter = -1;
};

struct navigator_invoke_query_result_action
{
    std::optional<QByteArray> name, icon, label, defaultTarget;
    std::vector<navigator_invoke_query_result_target> targets;
};

namespace {

struct QueryResult
{
    std::vector<navigator_invoke_query_result_action> actions;
};

constexpr char ActionsField[] = "query_result_actions";
constexpr char FiltersField[] = "filters";

bool validHandle(const void *handle)
{
    if (handle)
        return true;
    errno = EINVAL;
    return false;
}

std::optional<QByteArray> textIn(const QVariantMap &map, const char *key)
{
    const QVariant value = map.value(QLatin1String(key));
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    return value.typeId() == QMetaType::QByteArray ? value.toByteArray()
                                                   : value.toString().toUtf8();
}

int numberIn(const QVariantMap &map, const char *key)
{
    bool ok = false;
    const int value = map.value(QLatin1String(key)).toInt(&ok);
    return ok ? value : -1;
}

// Lists and maps are taken only as what they are: Qt would turn a forged text into a list of its
// characters.
QVariantList listFrom(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return value.toList();
    default:
        return {};
    }
}

QVariantMap mapFrom(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
        return value.toMap();
    default:
        return {};
    }
}

const char *text(const std::optional<QByteArray> &value)
{
    return value ? value->constData() : nullptr;
}

QueryResult queryResultFrom(const QVariantList &actions)
{
    QueryResult result;
    result.actions.reserve(size_t(actions.size()));
    for (const QVariant &entry : actions) {
        const QVariantMap map = mapFrom(entry);
        navigator_invoke_query_result_action action;
        action.name = textIn(map, "name");
        action.icon = textIn(map, "icon");
        action.label = textIn(map, "label");
        action.defaultTarget = textIn(map, "default_target");
        const QVariantList targets = listFrom(map.value(QStringLiteral("targets")));
        action.targets.reserve(size_t(targets.size()));
        for (const QVariant &targetEntry : targets) {
            const QVariantMap targetMap = mapFrom(targetEntry);
            navigator_invoke_query_result_target target;
            target.key = textIn(targetMap, "key");
            target.icon = textIn(targetMap, "icon");
            target.splash = textIn(targetMap, "splash");
            target.label = textIn(targetMap, "label");
            target.type = numberIn(targetMap, "type");
            target.perimeter = numberIn(targetMap, "perimeter");
            action.targets.push_back(std::move(target));
        }
        result.actions.push_back(std::move(action));
    }
    return result;
}

// Built once per event and kept with it, so that handles handed out stay valid for the whole
// dispatch, whichever handler asks first.
const QueryResult *queryResult(xrv_event_t *event)
{
    const QVariant field = eventField(event, ActionsField);
    if (!field.isValid())
        return nullptr;
    std::lock_guard<std::mutex> lock(event->cacheMutex);
    std::shared_ptr<void> &slot = event->handles[QByteArray(ActionsField)];
    if (!slot)
        slot = std::make_shared<QueryResult>(queryResultFrom(listFrom(field)));
    return static_cast<const QueryResult *>(slot.get());
}

template<typename T> const T *at(const std::vector<T> &items, int index)
{
    if (index < 0 || size_t(index) >= items.size()) {
        errno = EINVAL;
        return nullptr;
    }
    return &items[size_t(index)];
}

int setText(navigator_invoke_query_t *query, const char *name, const char *key, const char *value)
{
    if (!validHandle(query))
        return -1;
    const QVariant argument = textArgument(value);
    const int result = forward(Service::Navigator, name, {handleArgument(query), argument});
    if (result == 0) {
        if (value)
            query->content.insert(QLatin1String(key), argument);
        else
            query->content.remove(QLatin1String(key));
    }
    return result;
}

int setNumber(navigator_invoke_query_t *query, const char *name, const char *key, int value)
{
    if (!validHandle(query))
        return -1;
    const int result = forward(Service::Navigator, name, {handleArgument(query), value});
    if (result == 0)
        query->content.insert(QLatin1String(key), value);
    return result;
}

} // namespace

extern "C" {

int navigator_invoke_query_create(navigator_invoke_query_t **query)
{
    if (!validHandle(query))
        return -1;
    const int result = forward(Service::Navigator, "navigator_invoke_query_create");
    *query = result == 0 ? new navigator_invoke_query : nullptr;
    return result;
}

int navigator_invoke_query_destroy(navigator_invoke_query_t *query)
{
    if (!validHandle(query))
        return -1;
    const int result =
        forward(Service::Navigator, "navigator_invoke_query_destroy", {handleArgument(query)});
    delete query;
    return result;
}

int navigator_invoke_query_set_id(navigator_invoke_query_t *query, const char *id)
{
    return setText(query, "navigator_invoke_query_set_id", "id", id);
}

int navigator_invoke_query_set_action(navigator_invoke_query_t *query, const char *action)
{
    return setText(query, "navigator_invoke_query_set_action", "action", action);
}

int navigator_invoke_query_set_type(navigator_invoke_query_t *query, const char *mime_type)
{
    return setText(query, "navigator_invoke_query_set_type", "type", mime_type);
}

int navigator_invoke_query_set_file_uri(navigator_invoke_query_t *query, const char *uri)
{
    return setText(query, "navigator_invoke_query_set_file_uri", "file_uri", uri);
}

int navigator_invoke_query_set_target_type_mask(navigator_invoke_query_t *query,
                                                int target_type_mask)
{
    return setNumber(query, "navigator_invoke_query_set_target_type_mask", "target_type_mask",
                     target_type_mask);
}

int navigator_invoke_query_set_action_type(navigator_invoke_query_t *query, int action_type)
{
    return setNumber(query, "navigator_invoke_query_set_action_type", "action_type", action_type);
}

int navigator_invoke_query_set_perimeter(navigator_invoke_query_t *query, int perimeter)
{
    return setNumber(query, "navigator_invoke_query_set_perimeter", "perimeter", perimeter);
}

int navigator_invoke_query_send(const navigator_invoke_query_t *query)
{
    if (!validHandle(query))
        return -1;
    return forward(Service::Navigator, "navigator_invoke_query_send",
                   {handleArgument(query), query->content});
}

int navigator_invoke_event_get_query_result_action_count(xrv_event_t *event)
{
    const QueryResult *result = queryResult(event);
    return result ? int(result->actions.size()) : 0;
}

const navigator_invoke_query_result_action_t *
navigator_invoke_event_get_query_result_action(xrv_event_t *event, int index)
{
    const QueryResult *result = queryResult(event);
    if (!result) {
        errno = EINVAL;
        return nullptr;
    }
    return at(result->actions, index);
}

const char *
navigator_invoke_query_result_action_get_name(const navigator_invoke_query_result_action_t *action)
{
    return action ? text(action->name) : nullptr;
}

const char *
navigator_invoke_query_result_action_get_icon(const navigator_invoke_query_result_action_t *action)
{
    return action ? text(action->icon) : nullptr;
}

const char *
navigator_invoke_query_result_action_get_label(const navigator_invoke_query_result_action_t *action)
{
    return action ? text(action->label) : nullptr;
}

const char *navigator_invoke_query_result_action_get_default_target(
    const navigator_invoke_query_result_action_t *action)
{
    return action ? text(action->defaultTarget) : nullptr;
}

int navigator_invoke_query_result_action_get_target_count(
    const navigator_invoke_query_result_action_t *action)
{
    return action ? int(action->targets.size()) : 0;
}

const navigator_invoke_query_result_target_t *navigator_invoke_query_result_action_get_target(
    const navigator_invoke_query_result_action_t *action, int index)
{
    if (!validHandle(action))
        return nullptr;
    return at(action->targets, index);
}

const char *
navigator_invoke_query_result_target_get_key(const navigator_invoke_query_result_target_t *target)
{
    return target ? text(target->key) : nullptr;
}

const char *
navigator_invoke_query_result_target_get_icon(const navigator_invoke_query_result_target_t *target)
{
    return target ? text(target->icon) : nullptr;
}

const char *navigator_invoke_query_result_target_get_splash(
    const navigator_invoke_query_result_target_t *target)
{
    return target ? text(target->splash) : nullptr;
}

const char *
navigator_invoke_query_result_target_get_label(const navigator_invoke_query_result_target_t *target)
{
    return target ? text(target->label) : nullptr;
}

int navigator_invoke_query_result_target_get_type(
    const navigator_invoke_query_result_target_t *target)
{
    return target ? target->type : -1;
}

int navigator_invoke_query_result_target_get_perimeter(
    const navigator_invoke_query_result_target_t *target)
{
    return target ? target->perimeter : -1;
}

int navigator_invoke_get_filters(const char *id, const char *target)
{
    return forward(Service::Navigator, "navigator_invoke_get_filters",
                   {textArgument(id), textArgument(target)});
}

int navigator_invoke_set_filters(const char *id, const char *target, const char **filters,
                                 int count)
{
    if (count < 0 || (count > 0 && !filters)) {
        errno = EINVAL;
        return -1;
    }
    QStringList texts;
    texts.reserve(count);
    for (int i = 0; i < count; ++i) {
        if (!filters[i]) {
            errno = EINVAL;
            return -1;
        }
        texts.append(QString::fromUtf8(filters[i]));
    }
    return forward(Service::Navigator, "navigator_invoke_set_filters",
                   {textArgument(id), textArgument(target), texts});
}

const char *navigator_invoke_event_get_filters_target(xrv_event_t *event)
{
    return eventString(event, "filters_target");
}

int navigator_invoke_event_get_filters_count(xrv_event_t *event)
{
    return int(listFrom(eventField(event, FiltersField)).size());
}

const char *navigator_invoke_event_get_filter(xrv_event_t *event, int index)
{
    const QVariantList filters = listFrom(eventField(event, FiltersField));
    if (index < 0 || index >= filters.size()) {
        errno = EINVAL;
        return nullptr;
    }
    const QVariant &value = filters.at(index);
    // Cached beside the named fields under a key no field name can have (it holds a NUL), so the
    // text stays valid for the whole dispatch.
    QByteArray key(FiltersField);
    key.append('\0').append(QByteArray::number(index));
    std::lock_guard<std::mutex> lock(event->cacheMutex);
    auto it = event->utf8.find(key);
    if (it == event->utf8.end()) {
        it = event->utf8.insert(key, value.typeId() == QMetaType::QByteArray
                                         ? value.toByteArray()
                                         : value.toString().toUtf8());
    }
    return it->constData();
}

} // extern "C"
