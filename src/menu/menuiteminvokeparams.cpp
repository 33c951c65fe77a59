#include "menuiteminvokeparams_p.h"

#include "invoke/navigatormapping_p.h"
#include "menulogging_p.h"

#include <qz/PpsObject>

#include <atomic>

namespace qz::system {

namespace {

std::atomic<MenuItemInvokeParamsPrivateFactory *> s_factory{nullptr};

// The PPS encoder writes a map {"objVal": metadata} as this prefix, the JSON text and a line end;
// received metadata is read back the same way.
constexpr char MetadataAttribute[] = "objVal";
constexpr char MetadataPrefix[] = "objVal:json:";

std::optional<QVariantMap> decodeMetadata(const char *text)
{
    // A raw line break can only be whitespace between JSON tokens; inside the PPS line it would
    // end the attribute and let the rest of the text pose as further attributes.
    QByteArray json(text);
    json.replace('\n', ' ').replace('\r', ' ');
    bool ok = false;
    const QVariantMap decoded =
        PpsObject::decode(QByteArray(MetadataPrefix).append(json).append('\n'), &ok);
    if (!ok)
        return std::nullopt;
    return decoded.value(QLatin1String(MetadataAttribute)).toMap();
}

} // namespace

MenuItemInvokeParamsPrivate::~MenuItemInvokeParamsPrivate() = default;
MenuItemInvokeParamsPrivateFactory::~MenuItemInvokeParamsPrivateFactory() = default;

MenuItemInvokeParamsPrivate *MenuItemInvokeParamsPrivate::create()
{
    if (MenuItemInvokeParamsPrivateFactory *factory = s_factory.load())
        return factory->create();
    return new MenuItemInvokeParamsPrivateReal;
}

MenuItemInvokeParamsPrivate *
MenuItemInvokeParamsPrivate::copy(const MenuItemInvokeParamsPrivate &other)
{
    if (MenuItemInvokeParamsPrivateFactory *factory = s_factory.load())
        return factory->copy(other);
    return new MenuItemInvokeParamsPrivateReal(other);
}

void MenuItemInvokeParamsPrivate::setFactory(MenuItemInvokeParamsPrivateFactory *factory)
{
    s_factory.store(factory);
}

void MenuItemInvokeParamsPrivate::read(const menu_invocation_t *invocation)
{
    type = navigatormapping::targetTypeFromPlatform(getTargetType(invocation));
    action = QString::fromUtf8(getAction(invocation));
    target = QString::fromUtf8(getTargetKey(invocation));
    mimeType = QString::fromUtf8(getMimeType(invocation));
    uri = QUrl::fromEncoded(QByteArray(getUri(invocation)));
    uriMatch = QUrl::fromEncoded(QByteArray(getUriMatch(invocation)));
    int length = 0;
    const void *bytes = getData(invocation, &length);
    data =
        bytes && length > 0 ? QByteArray(static_cast<const char *>(bytes), length) : QByteArray();
    if (const char *text = getMetadata(invocation); text && *text) {
        if (const std::optional<QVariantMap> decoded = decodeMetadata(text))
            metadata = *decoded;
        else
            qCWarning(lcMenu,
                      "MenuItemInvokeParamsPrivate::create(): failed to decode metadata: %s", text);
    }
    perimeter = navigatormapping::perimeterFromPlatform(getPerimeter(invocation));
    fileTransferMode =
        navigatormapping::fileTransferModeFromPlatform(getFileTransferMode(invocation));
    valid = true;
}

int MenuItemInvokeParamsPrivateReal::getTargetType(const menu_invocation_t *invocation)
{
    return menu_invocation_get_target_type(invocation);
}

const char *MenuItemInvokeParamsPrivateReal::getTargetKey(const menu_invocation_t *invocation)
{
    return menu_invocation_get_target(invocation);
}

const char *MenuItemInvokeParamsPrivateReal::getAction(const menu_invocation_t *invocation)
{
    return menu_invocation_get_action(invocation);
}

const char *MenuItemInvokeParamsPrivateReal::getMimeType(const menu_invocation_t *invocation)
{
    return menu_invocation_get_mime_type(invocation);
}

const char *MenuItemInvokeParamsPrivateReal::getUri(const menu_invocation_t *invocation)
{
    return menu_invocation_get_uri(invocation);
}

const char *MenuItemInvokeParamsPrivateReal::getUriMatch(const menu_invocation_t *invocation)
{
    return menu_invocation_get_uri_match(invocation);
}

int MenuItemInvokeParamsPrivateReal::getFileTransferMode(const menu_invocation_t *invocation)
{
    return menu_invocation_get_file_transfer_mode(invocation);
}

const void *MenuItemInvokeParamsPrivateReal::getData(const menu_invocation_t *invocation,
                                                     int *length)
{
    *length = menu_invocation_get_data_length(invocation);
    return menu_invocation_get_data(invocation);
}

const char *MenuItemInvokeParamsPrivateReal::getMetadata(const menu_invocation_t *invocation)
{
    return menu_invocation_get_metadata(invocation);
}

int MenuItemInvokeParamsPrivateReal::getPerimeter(const menu_invocation_t *invocation)
{
    return menu_invocation_get_perimeter(invocation);
}

MenuItemInvokeParams::MenuItemInvokeParams()
    : d(MenuItemInvokeParamsPrivate::create())
{}

MenuItemInvokeParams::MenuItemInvokeParams(const MenuItemInvokeParams &other)
    : d(MenuItemInvokeParamsPrivate::copy(*other.d))
{}

MenuItemInvokeParams &MenuItemInvokeParams::operator=(const MenuItemInvokeParams &other)
{
    *d = *other.d;
    return *this;
}

MenuItemInvokeParams::~MenuItemInvokeParams() = default;

InvokeTarget::Type MenuItemInvokeParams::type() const
{
    return d->type;
}

QString MenuItemInvokeParams::target() const
{
    return d->target;
}

QString MenuItemInvokeParams::action() const
{
    return d->action;
}

QString MenuItemInvokeParams::mimeType() const
{
    return d->mimeType;
}

QUrl MenuItemInvokeParams::uri() const
{
    return d->uri;
}

QUrl MenuItemInvokeParams::uriMatch() const
{
    return d->uriMatch;
}

FileTransferMode::Type MenuItemInvokeParams::fileTransferMode() const
{
    return d->fileTransferMode;
}

QByteArray MenuItemInvokeParams::data() const
{
    return d->data;
}

QVariantMap MenuItemInvokeParams::metadata() const
{
    return d->metadata;
}

SecurityPerimeter::Type MenuItemInvokeParams::perimeter() const
{
    return d->perimeter;
}

bool MenuItemInvokeParams::isValid() const
{
    return d->valid;
}

} // namespace qz::system
