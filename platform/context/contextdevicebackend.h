/*
 * Not API. The context backend that talks to the context collector of qzdevice over PPS; the
 * default backend of the context library (tests install the recording backend instead).
 * Exported for tests; never installed.
 *
 * Key sets live in the application: their calls are answered here. Every other call is one
 * exchange on "/pps/services/context/control" (server mode):
 *     msg::<C name>  id::<serial>  dat:json:{"args":[...]}
 * answered by
 *     res::<C name>  id::<serial>  dat:json:{"result":0,"out":[...]}
 * or by err::<errno> errstr::<why> when the collector refuses. Handles travel as numbers; the
 * collector knows a context by the client that made it.
 */
#ifndef CONTEXT_CONTEXTDEVICEBACKEND_H
#define CONTEXT_CONTEXTDEVICEBACKEND_H

#include <qz/qzplatform_export.h>
#include <xrv/backend_p.h>

#include <QMutex>

#include <memory>

namespace qz {
class PpsObject;
}

namespace qz::platform {

class QZPLATFORM_EXPORT ContextDeviceBackend : public Backend
{
public:
    static const char s_controlPath[];
    /*! How long a call waits for the collector's answer. */
    static constexpr int AnswerTimeoutMs = 5000;

    ContextDeviceBackend();
    ~ContextDeviceBackend() override;

    /*! 0 with the collector's out-values; -1 with errno ENOSYS while the collector cannot be
        reached, ETIMEDOUT when it does not answer, ECONNRESET when it goes away meanwhile,
        or the errno it refuses with. */
    int call(const QByteArray &name, const QVariantList &args, QVariantList *out) override;

private:
    bool connectToCollector();

    QMutex m_mutex;
    std::unique_ptr<PpsObject> m_object;
    quint64 m_serial = 0;
};

} // namespace qz::platform

#endif
