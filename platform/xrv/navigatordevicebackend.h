/*
 * Not API. The navigator backend that talks to the navigator service of qzdevice over PPS; the
 * default backend of the navigator when no other is installed (tests install the recording
 * backend instead). Exported for tests; never installed.
 *
 * Handles are built, filled and destroyed here: those calls answer 0 without a word to the
 * service. Every call the service acts on (the *_send calls, filters, relays, closing a viewer,
 * cards, list selection) is written to "/pps/services/navigator/control" as
 *     msg::call  dat:json:{"name":"<C function>","args":[...]}
 * and answers 0 once written; what the navigator makes of it arrives as events. The service
 * writes events as
 *     msg::event  dat:json:{"code":<int>,"fields":{...},"delivery":<n>}
 * which are posted to the navigator domain; an event with a "delivery" (an invocation) is
 * acknowledged with msg::invoked dat:json:{"delivery":<n>} once this process's handlers have had
 * it. In invocation maps "data" travels as base64 text.
 *
 * The connection is made on first need (navigator_request_events() or a call) and says
 * msg::hello dat:json:{"target":<$QZ_NAVIGATOR_TARGET>,"pid":<n>}, so a process started by the
 * navigator as a target receives that target's invocations. While the service cannot be reached
 * the calls fail with ENOSYS, as with no backend at all; a lost connection is made again on the
 * next call. Requests that await an answer (invocations, viewers, queries, filters, timers,
 * relays with an id) and are still unanswered when the connection is lost are answered here, with
 * their reply event carrying the error "NAVIGATOR_GONE" (s_goneError), so that no reply waits
 * for ever. The connection lives on the thread that made it; calls from other threads fail
 * (EXDEV).
 */
#ifndef XRV_NAVIGATORDEVICEBACKEND_H
#define XRV_NAVIGATORDEVICEBACKEND_H

#include "backend_p.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>

namespace qz::platform {

class NavigatorDeviceBackendPrivate;

class QZPLATFORM_EXPORT NavigatorDeviceBackend : public Backend
{
public:
    static const char s_controlPath[];
    /*! Names the target this process is, for the navigator. */
    static const char s_targetVariable[];
    /*! The error of the answers made up for requests the lost navigator never answered. */
    static const char s_goneError[];

    NavigatorDeviceBackend();
    ~NavigatorDeviceBackend() override;

    int call(const QByteArray &name, const QVariantList &args, QVariantList *out) override;

    /*! What readMessage() posted: the event's code and "id", and its delivery to acknowledge
        (invalid when there is none). */
    struct Posted
    {
        int code = 0;
        QString id;
        QVariant delivery;
    };
    /*! Reads \a text as it comes from the control object and posts each event it carries to the
        navigator domain; anything else is logged or ignored. Used by the connection, and by
        fuzzing. */
    static QList<Posted> readMessage(const QByteArray &text);

    /*! Connects now if not connected; true when connected. */
    bool connectToService();
    bool isConnected() const;

private:
    std::unique_ptr<NavigatorDeviceBackendPrivate> const d;
};

} // namespace qz::platform

#endif
