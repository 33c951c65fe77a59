/*
 * Not API. The NFC backend that talks to the NFC controller of qzdevice over PPS; the default
 * backend of the NFC service (tests install the recording backend instead). Exported for qzdevice,
 * which shares the wire form of values with it, and for tests; never installed.
 *
 * Every nfc_* request becomes one exchange on "/pps/services/nfc/control" (server mode):
 *     msg::<the C function's name>  id::<serial>  dat:json:{"args":[...]}
 * answered by
 *     res::<name>  id::<serial>  dat:json:{"result":<int>,"out":[...]}
 * or, when the controller cannot take the request at all, by "err" (an errno number) and "errstr".
 * Events come unasked on the same object:
 *     msg::event  dat:json:{"code":<int>,"fields":{...}}
 * and are posted to the NFC domain with those fields. Byte arrays (NDEF messages) travel as
 * {"$bytes":"<base64>"} (see toWire()).
 */
#ifndef NFC_NFCDEVICEBACKEND_H
#define NFC_NFCDEVICEBACKEND_H

#include <qz/qzplatform_export.h>
#include <xrv/backend_p.h>

#include <QMutex>
#include <QVariant>

class QTimer;

#include <memory>

namespace qz {
class PpsObject;
}

namespace qz::platform {

class QZPLATFORM_EXPORT NfcDeviceBackend : public Backend
{
public:
    static const QString s_controlPath;
    /*! How long a request waits for the controller's answer. */
    static constexpr int AnswerTimeoutMs = 5000;
    /*! How often a lost controller is looked for again while the application waits for events
        or registered for them. */
    static constexpr int ReconnectIntervalMs = 500;

    NfcDeviceBackend();
    ~NfcDeviceBackend() override;

    /*! Sends the request and waits for its answer; events read meanwhile are posted. Returns
        the controller's result code; NFC_RESULT_SERVICE_UNAVAILABLE (errno ENOSYS) while the
        controller cannot be reached, except for calls whose work is done locally, which then
        succeed; NFC_RESULT_IO_ERROR when it does not answer in time (errno ETIMEDOUT), goes away
        during the exchange (ECONNRESET) or refuses the request (its errno). */
    int call(const QByteArray &name, const QVariantList &args, QVariantList *out) override;

    /*! A value as JSON can carry it: byte arrays become {"$bytes": base64}, in lists and maps
        too (hashes become maps). */
    static QVariant toWire(const QVariant &value);
    /*! The inverse of toWire(); a malformed "$bytes" value gives an empty byte array. */
    static QVariant fromWire(const QVariant &value);
    /*! Takes one message read from the controller: an event is posted to the NFC domain, an
        answer returned; anything else (not PPS text, an event without a code) is dropped with
        a warning, and gives an empty map as events do. */
    static QVariantMap readMessage(const QByteArray &text);

private:
    /*! Connects when not connected, and renews what the application asked for on a new
        connection. */
    bool connectToController();
    /*! Drops the connection; with something to renew, looks for the controller again. */
    void disconnectFromController();
    /*! One request and its answer; \a unsent says when the request could not even be sent. */
    int exchange(const QByteArray &name, const QVariantList &args, QVariantList *out,
                 bool *unsent = nullptr);
    /*! Remembers a successful call that asks for events or registers (or forgets it when
        undone). */
    void keep(const QByteArray &name, const QVariantList &args);
    void readEvents();

    QMutex m_mutex;
    std::unique_ptr<PpsObject> m_object;
    std::unique_ptr<QTimer> m_reconnect;
    QList<std::pair<QByteArray, QVariantList>> m_kept;
    quint64 m_serial = 0;
};

} // namespace qz::platform

#endif
