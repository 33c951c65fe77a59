// The device's NFC controller, simulated (the behaviour is NfcController's), on two control
// objects in server mode.
//
// "/pps/services/nfc/control": the applications' side, reached through the NFC device backend
// of the platform library. Each nfc_* call is one request, answered at once:
//     msg::<C name of the call>  id::<any>  dat:json:{"args":[<the call's arguments in C order>]}
//     res::<same name>  id::<same>  dat:json:{"result":<NFC result code>,"out":[<out-values>]}
// A request that is not of this shape is answered with err::22 and errstr::<why>. Events of the
// NFC domain reach the applications they concern, after the answer to the call that caused them:
//     msg::event  dat:json:{"code":<event code>,"fields":{"target":{"id":..,"ndef_messages":[..]}}}
// Byte arrays (NDEF messages) are {"$bytes":"<base64>"} everywhere (NfcDeviceBackend::toWire).
//
// "/pps/services/nfc/peer": the other side of the field (qzctl nfc). Requests:
//     msg::tap  id::<any>  dat:json:{"kind":"peer","answer":"accept"|"reject"|"too-large"|"io-error"}
//                                  {"kind":"tag","name":<text>,"locked":<bool>,"capacity":<bytes>,
//                                   "unsupported":<bool>}
//                                  {"kind":"handover","carriers":[{"transport":1|2,"mac":<text>}]}
//     msg::lose | msg::off | msg::on
//     msg::prompt  dat:json:{"on":<bool>}        (without "on": only reads the setting)
//     msg::read-tag  dat:json:{"name":<text>}   (answered with "locked", "capacity", "size",
//                                               "records")
//     msg::fail  dat:json:{"call":<C name>,"result":<code>} or {"clear":true}
// A tap is answered when it is over, the others at once, each with res::<msg> id::<same> and
// dat:json:{...}, or with err::<errno> errstr::<why> when refused. A tap's answer says
//     "outcome": "received", "rejected", "too-large", "io-error" (a push, answered as asked);
//                "written", "locked", "too-small", "unsupported" (a tag write);
//                "handover" (with "carriers", the ones confirmed, in the order the application
//                offered them, else in record order),
//                "no-transport", "declined"; "unheard" (no application listens for the kind),
//                "abandoned" (the applications told went away), "lost" (with "why")
//     "size" and "records" (the bytes a push or write carried, and lines describing them),
//     "target" (the target's id as the applications saw it).
// A peer client that goes away takes its target out of the field.
#ifndef QZDEVICE_NFCSERVICE_H
#define QZDEVICE_NFCSERVICE_H

#include "deviceservice.h"

#include <memory>

class NfcController;
class NfcServicePrivate;

class NfcService : public DeviceService
{
    Q_OBJECT
public:
    static const QString s_controlPath;
    static const QString s_peerPath;

    explicit NfcService(QObject *parent = nullptr);
    ~NfcService() override;

    QString name() const override;
    bool start(QString *error) override;

    NfcController *controller() const;

private:
    std::unique_ptr<NfcServicePrivate> const d;
};

#endif
