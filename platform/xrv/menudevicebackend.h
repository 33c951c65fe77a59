/*
 * Not API. The menu backend that talks to the menu service of qzdevice over PPS; the default
 * backend of the menu domain when no other is installed (tests install the recording backend
 * instead). Exported for tests; never installed.
 *
 * Requests are built here: create, set and destroy answer 0 without a word to the service.
 * menu_request_send is written to "/pps/services/menu/control" as
 *     msg::call  dat:json:{"name":"menu_request_send","args":[<handle>,{<content>},"<id>"]}
 * and answers 0 once written. The service answers with
 *     msg::event  dat:json:{"code":1,"fields":{"id":..,"err":..,"item":{..}}}
 * which is posted to the menu domain. On the wire "data" (of the request and of every entry's
 * invocation) travels as base64 text.
 *
 * The connection is made on first need (menu_request_events() or a send). While the service
 * cannot be reached a send fails with ENOSYS; a lost connection is made again on the next call.
 * The connection lives on the thread that made it; sends from other threads fail (EXDEV).
 */
#ifndef XRV_MENUDEVICEBACKEND_H
#define XRV_MENUDEVICEBACKEND_H

#include "backend_p.h"

#include <QVariantMap>

#include <memory>
#include <optional>

namespace qz::platform {

class MenuDeviceBackendPrivate;

class QZPLATFORM_EXPORT MenuDeviceBackend : public Backend
{
public:
    static const char s_controlPath[];

    MenuDeviceBackend();
    ~MenuDeviceBackend() override;

    int call(const QByteArray &name, const QVariantList &args, QVariantList *out) override;

    /*! Connects now if not connected; true when connected. */
    bool connectToService();

    struct Event
    {
        int code = 0;
        QVariantHash fields;
    };
    /*! The event one message of the service carries (its "msg" and "dat"), with the wire's
        base64 data decoded; nothing for a message that is no event or has no whole-number code.
        Data that is not base64 is dropped rather than handed on half-decoded. */
    static std::optional<Event> eventFromMessage(const QVariantMap &message);

private:
    std::unique_ptr<MenuDeviceBackendPrivate> const d;
};

} // namespace qz::platform

#endif
