#include "menumanager_p.h"

#include "invoke/navigatormapping_p.h"
#include "menu_p.h"

#include <xrv/menu.h>

#include <limits>
#include <memory>

namespace qz::system {

namespace {

// The request handle, destroyed on every way out.
struct RequestHandle
{
    menu_request_t *handle = nullptr;
    ~RequestHandle()
    {
        if (handle)
            menu_request_destroy(handle);
    }
};

bool setText(menu_request_t *request, int (*setter)(menu_request_t *, const char *),
             const QString &text)
{
    return text.isEmpty() || setter(request, text.toUtf8().constData()) == 0;
}

} // namespace

MenuManagerPrivate::MenuManagerPrivate(MenuManager *manager)
    : q(manager)
{}

MenuManagerPrivate::~MenuManagerPrivate()
{
    xrv_shutdown();
}

void MenuManagerPrivate::listen()
{
    xrv_initialize();
    subscribe(menu_get_domain());
    menu_request_events(0);
}

QString MenuManagerPrivate::id() const
{
    return QString::number(quintptr(q), 16);
}

bool MenuManagerPrivate::send()
{
    RequestHandle request;
    if (menu_request_create(&request.handle) != 0)
        return false;
    menu_request_t *const r = request.handle;
    if (!setText(r, menu_request_set_action, action) ||
        !setText(r, menu_request_set_target_key, targetKey) ||
        !setText(r, menu_request_set_mime_type, mimeType))
        return false;
    if (!uri.isEmpty() && menu_request_set_file_uri(r, uri.toEncoded().constData()) != 0)
        return false;
    if (!data.isEmpty()) {
        if (data.size() > std::numeric_limits<int>::max() ||
            menu_request_set_data(r, data.constData(), int(data.size())) != 0)
            return false;
    }
    if (!metadata.isEmpty()) {
        const std::optional<QByteArray> json = navigatormapping::metadataToPlatform(metadata);
        if (json && menu_request_set_metadata(r, json->constData()) != 0)
            return false;
    }
    return menu_request_set_target_type_mask(r, navigatormapping::toPlatform(targetTypes)) == 0 &&
           menu_request_set_perimeter(r, navigatormapping::toPlatform(perimeter)) == 0 &&
           menu_request_set_file_transfer_mode(r, navigatormapping::toPlatform(fileTransferMode)) ==
               0 &&
           menu_request_send(r, id().toUtf8().constData()) == 0;
}

void MenuManagerPrivate::event(xrv_event_t *event)
{
    if (xrv_event_get_code(event) != MENU_EVENT_MENU)
        return;
    const char *eventId = menu_event_get_id(event);
    if (!eventId || QString::fromUtf8(eventId) != id())
        return;
    const char *err = menu_event_get_err(event);
    if (!err || !*err) {
        error = MenuManagerError::None;
        menu = MenuPrivate::fromEvent(event);
    } else {
        error = MenuManagerError::System;
    }
    finished = true;
    Q_EMIT q->finished();
}

namespace {

// Stores a request field and tells of the change, only when there is one.
template<typename T, typename Signal>
void assign(MenuManager *manager, T &field, const T &value, Signal changed)
{
    if (field == value)
        return;
    field = value;
    Q_EMIT(manager->*changed)(value);
}

} // namespace

MenuManager::MenuManager(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<MenuManagerPrivate>(this))
{
    d->listen();
}

MenuManager::~MenuManager() = default;

QString MenuManager::action() const
{
    return d->action;
}

void MenuManager::setAction(const QString &action)
{
    assign(this, d->action, action, &MenuManager::actionChanged);
}

QString MenuManager::targetKey() const
{
    return d->targetKey;
}

void MenuManager::setTargetKey(const QString &targetKey)
{
    assign(this, d->targetKey, targetKey, &MenuManager::targetKeyChanged);
}

QString MenuManager::mimeType() const
{
    return d->mimeType;
}

void MenuManager::setMimeType(const QString &mimeType)
{
    assign(this, d->mimeType, mimeType, &MenuManager::mimeTypeChanged);
}

QUrl MenuManager::uri() const
{
    return d->uri;
}

void MenuManager::setUri(const QUrl &uri)
{
    assign(this, d->uri, uri, &MenuManager::uriChanged);
}

QByteArray MenuManager::data() const
{
    return d->data;
}

void MenuManager::setData(const QByteArray &data)
{
    assign(this, d->data, data, &MenuManager::dataChanged);
}

QVariantMap MenuManager::metadata() const
{
    return d->metadata;
}

void MenuManager::setMetadata(const QVariantMap &metadata)
{
    assign(this, d->metadata, metadata, &MenuManager::metadataChanged);
}

InvokeTarget::Types MenuManager::targetTypes() const
{
    return d->targetTypes;
}

void MenuManager::setTargetTypes(InvokeTarget::Types types)
{
    assign(this, d->targetTypes, types, &MenuManager::targetTypesChanged);
}

SecurityPerimeter::Type MenuManager::perimeter() const
{
    return d->perimeter;
}

void MenuManager::setPerimeter(SecurityPerimeter::Type perimeter)
{
    assign(this, d->perimeter, perimeter, &MenuManager::perimeterChanged);
}

FileTransferMode::Type MenuManager::fileTransferMode() const
{
    return d->fileTransferMode;
}

void MenuManager::setFileTransferMode(FileTransferMode::Type mode)
{
    assign(this, d->fileTransferMode, mode, &MenuManager::fileTransferModeChanged);
}

bool MenuManager::populateMenu()
{
    return d->send();
}

Menu MenuManager::menu() const
{
    return d->menu;
}

MenuManagerError::Type MenuManager::error() const
{
    return d->error;
}

bool MenuManager::isFinished() const
{
    return d->finished;
}

} // namespace qz::system
