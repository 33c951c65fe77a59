#include <xrv/menu.h>

#include "backend_p.h"
#include "eventservice_p.h"
#include "menu_p.h"

#include <QLoggingCategory>

#include <cerrno>
#include <optional>
#include <vector>

using namespace qz::platform;

Q_DECLARE_LOGGING_CATEGORY(lcMenuPlatform)
Q_LOGGING_CATEGORY(lcMenuPlatform, "qz.platform.menu")

struct menu_request
{
    // Keyed as the content map menu_request_send() hands to the backend.
    QVariantMap content;
};

struct menu_invocation
{
    int targetType = -1;
    int fileTransferMode = -1;
    int perimeter = -1;
    std::optional<QByteArray> target, action, mimeType, uri, uriMatch, data, metadata;
};

struct menu_item
{
    std::optional<QByteArray> title, secondaryTitle, icon, secondaryIcon;
    std::vector<menu_sub_item> subItems;
};

struct menu_sub_item
{
    std::optional<QByteArray> icon, secondaryIcon, label, secondaryLabel, tertiaryLabel;
    int frecency = -1;
    int type = -1;
    // At most one of the two; a submenu wins over an invocation.
    std::unique_ptr<menu_item> item;
    std::unique_ptr<menu_invocation> invocation;
};

namespace {

constexpr char ItemField[] = "item";

bool validHandle(const void *handle)
{
    if (handle)
        return true;
    errno = EINVAL;
    return false;
}

QVariant handleArgument(const void *handle)
{
    return QVariant::fromValue(qulonglong(quintptr(handle)));
}

QVariant textArgument(const char *text)
{
    return text ? QVariant(QString::fromUtf8(text)) : QVariant();
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

std::optional<QVariantMap> mapFrom(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
        return value.toMap();
    default:
        return std::nullopt;
    }
}

std::optional<QByteArray> textIn(const QVariantMap &map, const char *key)
{
    const QVariant value = map.value(QLatin1String(key));
    switch (value.typeId()) {
    case QMetaType::QByteArray:
        return value.toByteArray();
    case QMetaType::QString:
        return value.toString().toUtf8();
    default:
        return std::nullopt; // a number or a list is no text
    }
}

int numberIn(const QVariantMap &map, const char *key)
{
    const QVariant value = map.value(QLatin1String(key));
    if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray)
        return -1;
    bool ok = false;
    const int number = value.toInt(&ok);
    return ok ? number : -1;
}

const char *text(const std::optional<QByteArray> &value)
{
    return value ? value->constData() : nullptr;
}

struct Budget
{
    int entriesLeft = MENU_MAX_ENTRIES;
    bool warned = false;

    void cutOff(const char *why)
    {
        if (!warned)
            qCWarning(lcMenuPlatform, "menu: %s; the rest of the menu was cut off", why);
        warned = true;
    }
};

std::unique_ptr<menu_invocation> invocationFrom(const QVariantMap &map)
{
    auto invocation = std::make_unique<menu_invocation>();
    invocation->targetType = numberIn(map, "target_type");
    invocation->target = textIn(map, "target");
    invocation->action = textIn(map, "action");
    invocation->mimeType = textIn(map, "mime_type");
    invocation->uri = textIn(map, "uri");
    invocation->uriMatch = textIn(map, "uri_match");
    invocation->fileTransferMode = numberIn(map, "file_transfer_mode");
    invocation->data = textIn(map, "data");
    invocation->metadata = textIn(map, "metadata");
    invocation->perimeter = numberIn(map, "perimeter");
    return invocation;
}

// Depth-first, but bounded: a forged or broken menu neither overflows the stack nor makes the
// process hold an unbounded tree.
std::unique_ptr<menu_item> itemFrom(const QVariantMap &map, int depth, Budget &budget)
{
    auto item = std::make_unique<menu_item>();
    item->title = textIn(map, "title");
    item->secondaryTitle = textIn(map, "secondary_title");
    item->icon = textIn(map, "icon");
    item->secondaryIcon = textIn(map, "secondary_icon");
    const QVariantList entries = listFrom(map.value(QStringLiteral("sub_items")));
    item->subItems.reserve(size_t(std::min<qsizetype>(entries.size(), budget.entriesLeft)));
    for (const QVariant &entry : entries) {
        const std::optional<QVariantMap> entryMap = mapFrom(entry);
        if (!entryMap)
            continue;
        if (budget.entriesLeft == 0) {
            budget.cutOff("more than " QT_STRINGIFY(MENU_MAX_ENTRIES) " entries");
            break;
        }
        --budget.entriesLeft;
        menu_sub_item sub;
        sub.icon = textIn(*entryMap, "icon");
        sub.secondaryIcon = textIn(*entryMap, "secondary_icon");
        sub.label = textIn(*entryMap, "label");
        sub.secondaryLabel = textIn(*entryMap, "secondary_label");
        sub.tertiaryLabel = textIn(*entryMap, "tertiary_label");
        sub.frecency = numberIn(*entryMap, "frecency");
        sub.type = numberIn(*entryMap, "type");
        if (const auto child = mapFrom(entryMap->value(QLatin1String(ItemField)))) {
            // An entry whose submenu cannot be handed out is no entry at all.
            if (depth + 1 >= MENU_MAX_DEPTH) {
                budget.cutOff("nested deeper than " QT_STRINGIFY(MENU_MAX_DEPTH) " levels");
                continue;
            }
            sub.item = itemFrom(*child, depth + 1, budget);
        } else if (const auto invocation = mapFrom(entryMap->value(QStringLiteral("invocation")))) {
            sub.invocation = invocationFrom(*invocation);
        }
        item->subItems.push_back(std::move(sub));
    }
    return item;
}

int setText(menu_request_t *request, const char *name, const char *key, const char *value)
{
    if (!validHandle(request))
        return -1;
    const QVariant argument = textArgument(value);
    const int result = forward(Service::Menu, name, {handleArgument(request), argument});
    if (result == 0) {
        if (value)
            request->content.insert(QLatin1String(key), argument);
        else
            request->content.remove(QLatin1String(key));
    }
    return result;
}

int setNumber(menu_request_t *request, const char *name, const char *key, int value)
{
    if (!validHandle(request))
        return -1;
    const int result = forward(Service::Menu, name, {handleArgument(request), value});
    if (result == 0)
        request->content.insert(QLatin1String(key), value);
    return result;
}

} // namespace

namespace qz::platform::menu {

std::shared_ptr<menu_item> parseItem(const QVariant &field)
{
    const std::optional<QVariantMap> map = mapFrom(field);
    if (!map)
        return nullptr;
    Budget budget;
    return itemFrom(*map, 0, budget);
}

} // namespace qz::platform::menu

extern "C" {

int menu_get_domain(void)
{
    return domainOf(Service::Menu);
}

int menu_request_events(int flags)
{
    return notify(Service::Menu, "menu_request_events", {flags});
}

int menu_stop_events(int flags)
{
    return notify(Service::Menu, "menu_stop_events", {flags});
}

int menu_request_create(menu_request_t **request)
{
    if (!validHandle(request))
        return -1;
    const int result = forward(Service::Menu, "menu_request_create");
    *request = result == 0 ? new menu_request : nullptr;
    return result;
}

int menu_request_destroy(menu_request_t *request)
{
    if (!validHandle(request))
        return -1;
    const int result = forward(Service::Menu, "menu_request_destroy", {handleArgument(request)});
    delete request;
    return result;
}

int menu_request_set_action(menu_request_t *request, const char *action)
{
    return setText(request, "menu_request_set_action", "action", action);
}

int menu_request_set_target_key(menu_request_t *request, const char *key)
{
    return setText(request, "menu_request_set_target_key", "target_key", key);
}

int menu_request_set_mime_type(menu_request_t *request, const char *mime_type)
{
    return setText(request, "menu_request_set_mime_type", "mime_type", mime_type);
}

int menu_request_set_file_uri(menu_request_t *request, const char *uri)
{
    return setText(request, "menu_request_set_file_uri", "file_uri", uri);
}

int menu_request_set_data(menu_request_t *request, const void *data, int data_length)
{
    if (!validHandle(request))
        return -1;
    if (data_length < 0 || (data_length > 0 && !data)) {
        errno = EINVAL;
        return -1;
    }
    const QByteArray bytes(static_cast<const char *>(data), data_length);
    const int result = forward(Service::Menu, "menu_request_set_data",
                               {handleArgument(request), bytes, data_length});
    if (result == 0)
        request->content.insert(QStringLiteral("data"), bytes);
    return result;
}

int menu_request_set_metadata(menu_request_t *request, const char *metadata)
{
    return setText(request, "menu_request_set_metadata", "metadata", metadata);
}

int menu_request_set_target_type_mask(menu_request_t *request, int mask)
{
    return setNumber(request, "menu_request_set_target_type_mask", "target_type_mask", mask);
}

int menu_request_set_perimeter(menu_request_t *request, int perimeter)
{
    return setNumber(request, "menu_request_set_perimeter", "perimeter", perimeter);
}

int menu_request_set_file_transfer_mode(menu_request_t *request, int mode)
{
    return setNumber(request, "menu_request_set_file_transfer_mode", "file_transfer_mode", mode);
}

int menu_request_send(menu_request_t *request, const char *id)
{
    if (!validHandle(request) || !validHandle(id))
        return -1;
    return forward(Service::Menu, "menu_request_send",
                   {handleArgument(request), request->content, textArgument(id)});
}

const char *menu_event_get_id(xrv_event_t *event)
{
    return eventString(event, "id");
}

const char *menu_event_get_err(xrv_event_t *event)
{
    return eventString(event, "err");
}

const menu_item_t *menu_event_get_item(xrv_event_t *event)
{
    if (!event)
        return nullptr;
    const QVariant field = eventField(event, ItemField);
    if (!field.isValid())
        return nullptr;
    // Built once per event and kept with it, so that handles stay valid for the whole dispatch,
    // whichever handler asks first.
    std::lock_guard<std::mutex> lock(event->cacheMutex);
    std::shared_ptr<void> &slot = event->handles[QByteArray(ItemField)];
    if (!slot)
        slot = menu::parseItem(field);
    return static_cast<const menu_item_t *>(slot.get());
}

const char *menu_item_get_title(const menu_item_t *item)
{
    return item ? text(item->title) : nullptr;
}

const char *menu_item_get_secondary_title(const menu_item_t *item)
{
    return item ? text(item->secondaryTitle) : nullptr;
}

const char *menu_item_get_icon(const menu_item_t *item)
{
    return item ? text(item->icon) : nullptr;
}

const char *menu_item_get_secondary_icon(const menu_item_t *item)
{
    return item ? text(item->secondaryIcon) : nullptr;
}

int menu_item_get_sub_items_size(const menu_item_t *item)
{
    return item ? int(item->subItems.size()) : 0;
}

const menu_sub_item_t *menu_item_get_sub_item(const menu_item_t *item, int index)
{
    if (!item || index < 0 || size_t(index) >= item->subItems.size()) {
        errno = EINVAL;
        return nullptr;
    }
    return &item->subItems[size_t(index)];
}

const char *menu_sub_item_get_icon(const menu_sub_item_t *sub_item)
{
    return sub_item ? text(sub_item->icon) : nullptr;
}

const char *menu_sub_item_get_secondary_icon(const menu_sub_item_t *sub_item)
{
    return sub_item ? text(sub_item->secondaryIcon) : nullptr;
}

const char *menu_sub_item_get_label(const menu_sub_item_t *sub_item)
{
    return sub_item ? text(sub_item->label) : nullptr;
}

const char *menu_sub_item_get_secondary_label(const menu_sub_item_t *sub_item)
{
    return sub_item ? text(sub_item->secondaryLabel) : nullptr;
}

const char *menu_sub_item_get_tertiary_label(const menu_sub_item_t *sub_item)
{
    return sub_item ? text(sub_item->tertiaryLabel) : nullptr;
}

int menu_sub_item_get_frecency(const menu_sub_item_t *sub_item)
{
    return sub_item ? sub_item->frecency : -1;
}

int menu_sub_item_get_type(const menu_sub_item_t *sub_item)
{
    return sub_item ? sub_item->type : -1;
}

int menu_sub_item_has_children(const menu_sub_item_t *sub_item)
{
    return sub_item && sub_item->item ? 1 : 0;
}

const menu_item_t *menu_sub_item_get_item(const menu_sub_item_t *sub_item)
{
    return sub_item ? sub_item->item.get() : nullptr;
}

const menu_invocation_t *menu_sub_item_get_invocation(const menu_sub_item_t *sub_item)
{
    return sub_item && !sub_item->item ? sub_item->invocation.get() : nullptr;
}

int menu_invocation_get_target_type(const menu_invocation_t *invocation)
{
    return invocation ? invocation->targetType : -1;
}

const char *menu_invocation_get_target(const menu_invocation_t *invocation)
{
    return invocation ? text(invocation->target) : nullptr;
}

const char *menu_invocation_get_action(const menu_invocation_t *invocation)
{
    return invocation ? text(invocation->action) : nullptr;
}

const char *menu_invocation_get_mime_type(const menu_invocation_t *invocation)
{
    return invocation ? text(invocation->mimeType) : nullptr;
}

const char *menu_invocation_get_uri(const menu_invocation_t *invocation)
{
    return invocation ? text(invocation->uri) : nullptr;
}

const char *menu_invocation_get_uri_match(const menu_invocation_t *invocation)
{
    return invocation ? text(invocation->uriMatch) : nullptr;
}

int menu_invocation_get_file_transfer_mode(const menu_invocation_t *invocation)
{
    return invocation ? invocation->fileTransferMode : -1;
}

const void *menu_invocation_get_data(const menu_invocation_t *invocation)
{
    return invocation && invocation->data ? invocation->data->constData() : nullptr;
}

int menu_invocation_get_data_length(const menu_invocation_t *invocation)
{
    return invocation && invocation->data ? int(invocation->data->size()) : 0;
}

const char *menu_invocation_get_metadata(const menu_invocation_t *invocation)
{
    return invocation ? text(invocation->metadata) : nullptr;
}

int menu_invocation_get_perimeter(const menu_invocation_t *invocation)
{
    return invocation ? invocation->perimeter : -1;
}

} // extern "C"
