#include "menudevicebackend.h"
#include "servicelink_p.h"

#include <qz/PpsObject>
#include <xrv/menu.h>

#include <QLoggingCategory>

#include <cerrno>
#include <cmath>
#include <limits>

namespace qz::platform {

Q_DECLARE_LOGGING_CATEGORY(lcBackend)

const char MenuDeviceBackend::s_controlPath[] = "/pps/services/menu/control";

namespace {

const QString s_data = QStringLiteral("data");
const QString s_item = QStringLiteral("item");
const QString s_subItems = QStringLiteral("sub_items");
const QString s_invocation = QStringLiteral("invocation");

QVariant dataFromWire(const QVariant &value)
{
    const auto decoded = QByteArray::fromBase64Encoding(value.toString().toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    return decoded ? QVariant(*decoded) : QVariant();
}

// Every entry's invocation data, as deep as a menu is ever read; deeper levels are cut off by
// the reader anyway.
QVariantMap itemFromWire(QVariantMap item, int depth)
{
    const auto entries = item.find(s_subItems);
    if (entries == item.end() || entries->typeId() != QMetaType::QVariantList ||
        depth >= MENU_MAX_DEPTH)
        return item;
    QVariantList list = entries->toList();
    for (QVariant &entry : list) {
        if (entry.typeId() != QMetaType::QVariantMap)
            continue;
        QVariantMap map = entry.toMap();
        if (const auto child = map.find(s_item); child != map.end()) {
            if (child->typeId() == QMetaType::QVariantMap)
                *child = itemFromWire(child->toMap(), depth + 1);
        } else if (const auto invocation = map.find(s_invocation);
                   invocation != map.end() && invocation->typeId() == QMetaType::QVariantMap) {
            QVariantMap fields = invocation->toMap();
            if (const auto data = fields.find(s_data); data != fields.end()) {
                const QVariant bytes = dataFromWire(*data);
                if (bytes.isValid())
                    *data = bytes;
                else
                    fields.erase(data);
            }
            *invocation = fields;
        }
        entry = map;
    }
    *entries = list;
    return item;
}

} // namespace

class MenuDeviceBackendPrivate
{
public:
    MenuDeviceBackendPrivate()
    {
        link.onRead = [this](const QByteArray &text) { onRead(text); };
    }
    void onRead(const QByteArray &text);

    ServiceLink link{"menu", QString::fromLatin1(MenuDeviceBackend::s_controlPath)};
};

void MenuDeviceBackendPrivate::onRead(const QByteArray &text)
{
    bool ok = false;
    const QVariantMap decoded = PpsObject::decode(text, &ok);
    if (!ok) {
        qCWarning(lcBackend, "menu: unreadable message from the device");
        return;
    }
    // Messages for this client alone come headed with the object's name.
    QList<QVariantMap> messages;
    for (auto it = decoded.cbegin(); it != decoded.cend(); ++it) {
        if (it.key().startsWith(u'@') && it.value().typeId() == QMetaType::QVariantMap)
            messages << it.value().toMap();
    }
    if (messages.isEmpty())
        messages << decoded;
    for (const QVariantMap &message : std::as_const(messages)) {
        if (message.value(QStringLiteral("msg")).toString() == QLatin1String("error")) {
            qCWarning(lcBackend).noquote() << "menu: the device refused a request:"
                                           << message.value(QStringLiteral("dat"))
                                                  .toMap()
                                                  .value(QStringLiteral("errorText"))
                                                  .toString();
        } else if (const auto event = MenuDeviceBackend::eventFromMessage(message)) {
            postEvent(domainOf(Service::Menu), event->code, event->fields);
        }
    }
}

std::optional<MenuDeviceBackend::Event>
MenuDeviceBackend::eventFromMessage(const QVariantMap &message)
{
    if (message.value(QStringLiteral("msg")).toString() != QLatin1String("event"))
        return std::nullopt;
    const QVariant datValue = message.value(QStringLiteral("dat"));
    if (datValue.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariantMap dat = datValue.toMap();
    const QVariant codeValue = dat.value(QStringLiteral("code"));
    bool ok = false;
    const double number = codeValue.toDouble(&ok);
    // Range first: converting a double beyond int is undefined.
    if (!ok || codeValue.typeId() == QMetaType::QString || codeValue.typeId() == QMetaType::Bool ||
        !(number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max()) ||
        number != std::trunc(number))
        return std::nullopt;
    Event event;
    event.code = int(number);
    const QVariantMap wireFields = dat.value(QStringLiteral("fields")).toMap();
    for (auto it = wireFields.cbegin(); it != wireFields.cend(); ++it)
        event.fields.insert(it.key(), it.value());
    if (const auto it = event.fields.find(s_item);
        it != event.fields.end() && it->typeId() == QMetaType::QVariantMap)
        *it = itemFromWire(it->toMap(), 0);
    return event;
}

MenuDeviceBackend::MenuDeviceBackend()
    : d(std::make_unique<MenuDeviceBackendPrivate>())
{}

MenuDeviceBackend::~MenuDeviceBackend() = default;

bool MenuDeviceBackend::connectToService()
{
    return !d->link.isForeign() && d->link.connect();
}

int MenuDeviceBackend::call(const QByteArray &name, const QVariantList &args, QVariantList *)
{
    if (name == "menu_request_events") {
        connectToService(); // answers arrive on this connection
        return 0;
    }
    if (name != "menu_request_send")
        return 0;
    if (d->link.isForeign()) {
        errno = EXDEV;
        return -1;
    }
    if (!d->link.connect()) {
        errno = ENOSYS;
        return -1;
    }
    QVariantList wire = args;
    if (wire.size() > 1) {
        QVariantMap content = wire[1].toMap();
        if (const auto it = content.find(s_data); it != content.end())
            *it = QString::fromLatin1(it->toByteArray().toBase64());
        wire[1] = content;
    }
    if (!d->link.send(QStringLiteral("call"), {{QStringLiteral("name"), QString::fromLatin1(name)},
                                               {QStringLiteral("args"), wire}})) {
        errno = EIO;
        return -1;
    }
    return 0;
}

namespace {
// The menus of this platform are the device's, unless a test installs its own backend.
[[maybe_unused]] const bool s_registered = [] {
    setDefaultBackendFactory(Service::Menu, []() -> Backend * { return new MenuDeviceBackend; });
    return true;
}();
} // namespace

} // namespace qz::platform
