// The device's context collector: usage events from applications (through the context library's
// device backend) are kept, most recent last, and published for tools; private values reach it
// only as anonymised digests.
//
// "/pps/services/context/control" (server mode) takes, from applications,
//     msg::<C name>  id::<any>  dat:json:{"args":[...]}      (see context/contextdevicebackend.h)
// and, from tools, msg::enable, msg::disable and msg::status; each is answered with
//     res::<msg>  id::<same>  dat:json:{"result":0,"out":[...]}   (status: {"enabled":<bool>})
// or err::<errno> errstr::<why>. Events are refused (EACCES) while collection is off, and from a
// client that has not called ccl_init (ENOTCONN).
//
// "/pps/services/context/events": each collected event is written as
//     event:json:{"seq":<n>,"time":<ISO 8601>,"application":..,"version":..,"kind":<C name>,
//                 "name":<event, activity, search text ...>,"keys":[[key,value],...]}
//
// Under the data folder, "context/secret" holds the device's anonymisation key (32 random bytes,
// mode 0600, made on first start, replaced when others can read it) and "context/settings.json"
// whether collection is on (it is unless switched off). Anonymised text is the HMAC-SHA-256 of
// the value under the key, in unpadded base64url (43 characters), separate for strings and PINs.
// Values to anonymise are neither kept nor logged.
#ifndef QZDEVICE_CONTEXTSERVICE_H
#define QZDEVICE_CONTEXTSERVICE_H

#include "deviceservice.h"

#include <QVariantList>

#include <memory>

class ContextServicePrivate;

class ContextService : public DeviceService
{
    Q_OBJECT
public:
    static const QString s_controlPath;
    static const QString s_eventsPath;
    /*! The most events kept; older ones are dropped. */
    static constexpr int MaxKeptEvents = 256;

    explicit ContextService(const QString &dataDir, QObject *parent = nullptr);
    ~ContextService() override;

    QString name() const override;
    bool start(QString *error) override;

    bool isEnabled() const;
    /*! The events kept, oldest first, as published. */
    QVariantList events() const;

    /*! The anonymised text of \a value under \a key (\a pin: the PIN form). */
    static QString anonymise(const QByteArray &key, const QByteArray &value, bool pin);

private:
    std::unique_ptr<ContextServicePrivate> const d;
};

#endif
