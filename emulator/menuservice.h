// The device's menu service: for a piece of content, the menu of things to do with it, built from
// the navigator's target registry, served on "/pps/services/menu/control" in server mode.
//
// Protocol. Every message is a PPS map with "msg" and a JSON map "dat".
//
// From a client (the menu's device backend in an application, or a tool):
//   msg::call  dat:{"name": "menu_request_send", "args": [HANDLE, {CONTENT}, ID]}    a menu
//              request; CONTENT has the keys "action", "target_key", "mime_type", "file_uri",
//              "data" (base64 text), "metadata" (JSON object text), "target_type_mask",
//              "perimeter" and "file_transfer_mode", each optional.
//   msg::fail  dat:{"err": TEXT}    from now on answer every request with the error TEXT (empty
//              TEXT: answer normally again); answered msg::fail dat:{"err": TEXT}.
// To a client:
//   msg::event dat:{"code": 1, "fields": {"id": ID, "item": {MENU}}} or {"id": ID, "err": TEXT}
//              the answer; MENU is the tree the menu C API reads (see <xrv/menu.h>), with
//              invocation data as base64 text.
//   msg::error dat:{"errorText": TEXT}    a message that could not be read or served.
//
// The menu. Every target that may be offered (of a kind in the target type mask, in the
// perimeter, the one named by "target_key" if any) and has a filter taking the content offers
// each action of that filter (or the one asked for) that it gave a menu label ("action" lines of
// its declaration). The root menu holds one submenu per action, labelled with the action's
// label; each submenu one entry per target, an invocation of that target with the content. The
// frecency of an entry grows with every invocation of that target for that action the navigator
// routes and halves every week of the navigator's clock; a submenu's is the sum of its entries'.
// Entries and submenus come in falling frecency, then by target key or action name. Content
// with nothing to match by (no action, MIME type, URI or target) is answered
// "INVOKE_BAD_REQUEST_ERROR".
#ifndef QZDEVICE_MENUSERVICE_H
#define QZDEVICE_MENUSERVICE_H

#include "deviceservice.h"

#include <QVariantMap>

#include <memory>

class MenuServicePrivate;
class NavigatorService;

class MenuService : public DeviceService
{
    Q_OBJECT
public:
    static const QString s_controlPath;
    /*! How much one routed invocation adds to an entry's frecency. */
    static constexpr int UseWeight = 100;

    /*! Builds menus from \a navigator's registry and counts the invocations it routes; the
        navigator outlives the service. */
    explicit MenuService(const NavigatorService *navigator, QObject *parent = nullptr);
    ~MenuService() override;

    QString name() const override;
    bool start(QString *error) override;

    /*! The menu for \a content (as a request carries it) in its wire form; on an error the
        empty map, with \a err set. */
    QVariantMap menuFor(const QVariantMap &content, QString *err) const;

private:
    std::unique_ptr<MenuServicePrivate> const d;
};

#endif
