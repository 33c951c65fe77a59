// What an untrusted menu service sends, end to end: the input is one message as the menu's device
// backend reads it from the control object. An event is posted to the menu domain (with the id of
// a live MenuManager, so the manager reads it); the menu tree is then walked through the C API
// and read by the manager. The tree handed out never exceeds its depth and entry bounds, an entry
// is a submenu or an invocation and never both, and the manager's menu agrees with the tree.
#include "fuzzcheck.h"

#include <qz/AbstractXrvEventHandler>
#include <qz/PpsObject>
#include <qz/system/MenuManager>
#include <xrv/menu.h>
#include <xrv/menudevicebackend.h>

#include <QCoreApplication>

using namespace qz::system;
using qz::platform::MenuDeviceBackend;

namespace {

class NullBackend : public qz::platform::Backend
{
public:
    int call(const QByteArray &, const QVariantList &, QVariantList *) override { return 0; }
};

// Walks a menu through the C accessors; returns the number of entries, checking each.
int walk(const menu_item_t *item, int depth, int *deepest)
{
    QZ_FUZZ_CHECK(depth < MENU_MAX_DEPTH, "a menu handed out %d levels deep", depth + 1);
    *deepest = std::max(*deepest, depth + 1);
    menu_item_get_title(item);
    menu_item_get_secondary_title(item);
    menu_item_get_icon(item);
    menu_item_get_secondary_icon(item);
    const int count = menu_item_get_sub_items_size(item);
    QZ_FUZZ_CHECK(!menu_item_get_sub_item(item, count), "an entry past the end");
    int entries = count;
    for (int i = 0; i < count; ++i) {
        const menu_sub_item_t *sub = menu_item_get_sub_item(item, i);
        QZ_FUZZ_CHECK(sub, "entry %d of %d missing", i, count);
        menu_sub_item_get_label(sub);
        menu_sub_item_get_secondary_label(sub);
        menu_sub_item_get_tertiary_label(sub);
        menu_sub_item_get_icon(sub);
        menu_sub_item_get_secondary_icon(sub);
        menu_sub_item_get_frecency(sub);
        menu_sub_item_get_type(sub);
        const menu_item_t *child = menu_sub_item_get_item(sub);
        const menu_invocation_t *invocation = menu_sub_item_get_invocation(sub);
        QZ_FUZZ_CHECK((child != nullptr) == (menu_sub_item_has_children(sub) != 0),
                      "has_children disagrees with the submenu");
        QZ_FUZZ_CHECK(!(child && invocation), "an entry both submenu and invocation");
        if (child)
            entries += walk(child, depth + 1, deepest);
        if (invocation) {
            const int length = menu_invocation_get_data_length(invocation);
            QZ_FUZZ_CHECK(length >= 0 && (length == 0 || menu_invocation_get_data(invocation)),
                          "data of length %d without bytes", length);
            menu_invocation_get_target(invocation);
            menu_invocation_get_action(invocation);
            menu_invocation_get_mime_type(invocation);
            menu_invocation_get_uri(invocation);
            menu_invocation_get_uri_match(invocation);
            menu_invocation_get_metadata(invocation);
            menu_invocation_get_target_type(invocation);
            menu_invocation_get_perimeter(invocation);
            menu_invocation_get_file_transfer_mode(invocation);
        }
    }
    return entries;
}

int entriesOf(const Menu &menu, int depth, int *deepest)
{
    *deepest = std::max(*deepest, depth + 1);
    int entries = 0;
    for (const MenuItem &item : menu.items()) {
        ++entries;
        QZ_FUZZ_CHECK(!(item.subMenu().isValid() && item.invoke().isValid()),
                      "a menu item both submenu and invocation");
        if (item.subMenu().isValid())
            entries += entriesOf(item.subMenu(), depth + 1, deepest);
    }
    return entries;
}

class Walker : public qz::AbstractXrvEventHandler
{
public:
    Walker() { subscribe(menu_get_domain()); }
    void event(xrv_event_t *event) override
    {
        const menu_item_t *item = menu_event_get_item(event);
        walked = item != nullptr;
        deepest = 0;
        entries = item ? walk(item, 0, &deepest) : 0;
        QZ_FUZZ_CHECK(entries <= MENU_MAX_ENTRIES, "%d entries handed out", entries);
    }
    bool walked = false;
    int deepest = 0;
    int entries = 0;
};

struct Harness
{
    int argc = 1;
    char name[16] = "fuzz";
    char *argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    NullBackend backend;

    Harness()
    {
        qzfuzz::silenceQtMessages();
        qz::platform::setBackend(qz::platform::Service::Menu, &backend);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Harness harness;
    bool ok = false;
    const QVariantMap decoded = qz::PpsObject::decode(
        QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), &ok);
    if (!ok)
        return 0;
    QList<QVariantMap> messages;
    for (auto it = decoded.cbegin(); it != decoded.cend(); ++it) {
        if (it.key().startsWith(u'@') && it.value().typeId() == QMetaType::QVariantMap)
            messages << it.value().toMap();
    }
    if (messages.isEmpty())
        messages << decoded;

    MenuManager manager;
    Walker walker;
    for (const QVariantMap &message : std::as_const(messages)) {
        std::optional<MenuDeviceBackend::Event> event =
            MenuDeviceBackend::eventFromMessage(message);
        if (!event)
            continue;
        // Answers this manager, whatever id the peer wrote.
        event->fields.insert(QStringLiteral("id"), QString::number(quintptr(&manager), 16));
        qz::platform::postEvent(menu_get_domain(), event->code, event->fields);
        QCoreApplication::processEvents();
        if (event->code != MENU_EVENT_MENU || !manager.isFinished() ||
            manager.error() != MenuManagerError::None)
            continue;
        const Menu menu = manager.menu();
        QZ_FUZZ_CHECK(menu.isValid() == walker.walked, "the manager's menu and the event disagree");
        int deepest = 0;
        if (menu.isValid()) {
            const int entries = entriesOf(menu, 0, &deepest);
            QZ_FUZZ_CHECK(entries <= walker.entries && deepest <= walker.deepest,
                          "the manager read %d entries %d deep of %d entries %d deep", entries,
                          deepest, walker.entries, walker.deepest);
        }
    }
    return 0;
}
