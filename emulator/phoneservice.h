// The device's phone service: lines and calls (PhoneExchange) published over PPS
// (PhonePublisher), call commands from applications, the network's side for qzctl phone, and the
// phone application's invocation target (PhoneTarget).
//
// Applications: "/pps/services/phone/{private,protected,public}/control" in server mode (0600,
// 0660, 0666, so a process opens the ones the device lets it). Each command
//     msg::<command>  id::<any>  dat:json:{"call_id":"<id>"}
// with <command> "hold_call", "resume_call", "split_call", "end_call", "reject_call";
// "join_call" with "call_id1" and "call_id2"; "send_dtmf_tones" with "line" and "tones". Every
// client of that control object gets the answer (the one that asks need not be the one that
// listens), which carries the asker's id:
//     @control  res::<command>  id::<same>  dat:json:{"call_id":"<id>"}  err::<text, empty when done>
// A request without "msg" or "id", or with ids that are no positive numbers, is answered
// "INVALID_REQUEST" (to its sender alone when it has no id); an unknown command
// "UNKNOWN_COMMAND"; otherwise the errors of PhoneExchange.
//
// The network's side: "/pps/services/phone/private/network" in server mode (0600), answered to
// the sender alone in the same shape:
//     incoming {"number", "line" (default "cellular"), "perimeter" ("personal"|"enterprise")}
//     answer {"call_id"}    the user answers an incoming call, or the remote a dialled one
//     hangup {"call_id"}    the remote side hangs up
//     line {"line", "state": "idle"|"unavailable"|"unregistered"}
//     fail {"command", "err"}   from now on answer <command> with err (empty err: act again)
#ifndef QZDEVICE_PHONESERVICE_H
#define QZDEVICE_PHONESERVICE_H

#include "deviceservice.h"
#include "phoneexchange.h"

#include <memory>
#include <optional>

class PhoneServicePrivate;

class PhoneService : public DeviceService
{
    Q_OBJECT
public:
    static const QString s_networkPath;
    static QString controlPath(int level);

    struct Options
    {
        QList<PhoneLine> lines = defaultLines();
        PhoneExchange::Options exchange;
        /*! Serve the phone application's target through the navigator. */
        bool serveTarget = true;
    };
    /*! A cellular line and a video chat line. */
    static QList<PhoneLine> defaultLines();
    /*! A line for its wire name (with the default address), nullopt for an unknown name. */
    static std::optional<PhoneLine> line(const QString &id);

    explicit PhoneService(const Options &options, QObject *parent = nullptr);
    ~PhoneService() override;

    QString name() const override;
    bool start(QString *error) override;

    PhoneExchange *exchange() const;

private:
    std::unique_ptr<PhoneServicePrivate> const d;
};

#endif
