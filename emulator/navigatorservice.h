// The device's navigator: target registry, invocations routed by key or brokered against the
// targets' filters, queries, filters, viewers, cards and timers, served on
// "/pps/services/navigator/control" in server mode.
//
// Protocol. Every message is a PPS map with "msg" and a JSON map "dat".
//
// From a client (the navigator's device backend in an application, or a tool):
//   msg::hello    dat:{"target": KEY, "pid": N}    who the client is; "target" is absent for a
//                 process that is no target (it may still invoke, query and so on). The backend
//                 takes the key from $QZ_NAVIGATOR_TARGET.
//   msg::call     dat:{"name": C FUNCTION, "args": [...]}    a navigator C call with its
//                 arguments in C order (handles as numbers, the content maps of *_send calls as
//                 the C functions hand them over). In an invocation map "data" is base64 text.
//   msg::invoked  dat:{"delivery": N}    the client has handed the event of delivery N to its
//                 handlers; only then is the invoker told that its invocation arrived.
//   msg::clock    dat:{"op": "show"} | {"op": "set", "time": ISO 8601} | {"op": "advance",
//                 "ms": N}    reads or moves the virtual clock; answered msg::clock
//                 dat:{"now": ISO 8601 UTC, "offset_ms": N} or msg::error.
//   msg::timers   dat:{"target": KEY}    lists the registered timers of KEY (all for no key),
//                 soonest first: answered msg::timers dat:{"timers": [{"target", "timer_id",
//                 "kind", "next": ISO 8601 UTC, "fired"}], "more": true when the list was cut}.
//   msg::fail     dat:{"call": C FUNCTION, "err": TEXT}    from now on answer that call with the
//                 error TEXT (empty TEXT: answer it normally again); answered msg::fail dat:{}.
//                 At most 64 calls at once, named "navigator_..." in 64 characters, with texts of
//                 256 characters; anything else is answered msg::error.
//   msg::card-resize  dat:{"target": KEY, "width", "height", "edge", "orientation"}    asks the
//                 running card KEY to resize (event 32); answered msg::card-resize dat:{"id": ID}
//                 or msg::error.
// To a client:
//   msg::event    dat:{"code": N, "fields": {...}, "delivery": N}    an event of the navigator
//                 domain with its fields as the event accessors read them; "delivery" is present
//                 on invocations (16, 18), which the client acknowledges with msg::invoked.
//   msg::error    dat:{"errorText": TEXT}    a request that could not be read or served.
//
// Targets. A target that is not running when an invocation (or its timer) comes is started from
// its declaration with the environment of an invoked application: "uri" = "invoke://localhost",
// "MODE" = "card", "view" or "headless" by the target's type (unset for an application), "WINID"
// for a viewer, and QZ_NAVIGATOR_TARGET = its key. The invocation waits until the target says
// hello and acknowledges it; a target that exits first, or takes longer than the answer
// time-out, gives the invoker "INVOKE_TARGET_ERROR".
//
// Viewers, cards and lists. A viewer invocation takes its "window_id" until either side closes
// it or leaves; relays go to the other side, and one that asks (has an id) and is left unanswered
// when the window closes gets "INVALID_WINDOW_ID". A card's close, swipe-away and peek reach the
// invoker that opened it (33, 30); its own peek comes back as 38; "card-resize" above asks it to
// resize (32). A target invoked with a "list_id" moves in that list with
// navigator_invoke_select_list_item, which reaches its invoker as event 44.
//
// Bounds: at most 64 filters of at most 4096 characters per target, and 1024 relays awaiting an
// answer per viewer window; past them a request is refused like a malformed one. A client's
// "target" in hello is taken as claimed: every client of the PPS server runs as this user.
//
// Answers carry the texts the library maps: "INVOKE_NO_TARGET_ERROR" (unknown key, nothing
// matches), "INVOKE_BAD_REQUEST_ERROR" (nothing to route by, a malformed filter or timer),
// "INVOKE_TARGET_NOT_OWNED_ERROR" (filters or timers of another target), "INVOKE_TARGET_ERROR"
// (the target could not take it); relays "INVALID_WINDOW_ID" and "INVALID_MESSAGE". Error codes:
// 1 no target, 2 bad request, 3 internal, 4 not owned, 5 privileges, 6 target error.
#ifndef QZDEVICE_NAVIGATORSERVICE_H
#define QZDEVICE_NAVIGATORSERVICE_H

#include "deviceservice.h"
#include "targetdeclaration.h"

#include <QMap>
#include <QStringList>

#include <memory>

class NavigatorServicePrivate;
class TargetRegistry;
class VirtualClock;

class NavigatorService : public DeviceService
{
    Q_OBJECT
public:
    static const QString s_controlPath;
    /*! The environment variable that tells a process which target it is. */
    static const char s_targetVariable[];

    struct Options
    {
        QString targetsDir;
        /*! Where replaced filters and timers are kept; empty keeps nothing. */
        QString dataDir;
        /*! C function name to the error text its answer carries. */
        QMap<QString, QString> failures;
        int answerTimeoutMs = 10000;
        /*! Targets served inside qzdevice, known whatever targetsDir holds. */
        QList<TargetDeclaration> builtInTargets;
    };

    explicit NavigatorService(const Options &options, QObject *parent = nullptr);
    ~NavigatorService() override;

    QString name() const override;
    bool start(QString *error) override;

    /*! What the registry refused when the service started ("file:line: what"). */
    QStringList refusedDeclarations() const;
    VirtualClock *clock() const;
    /*! The targets as the navigator knows them now, replaced filters included. */
    const TargetRegistry &registry() const;

Q_SIGNALS:
    /*! \a targetKey took an invocation of \a action (empty: none named) that this navigator
        routed; timers' invocations are not counted. */
    void routed(const QString &targetKey, const QString &action);

private:
    std::unique_ptr<NavigatorServicePrivate> const d;
};

#endif
