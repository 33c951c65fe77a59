/*
 * Not API. The platform's invocation handle, wrapped: every failed platform call throws, so an
 * operation that fills and sends an invocation is one try block; the handle is destroyed on every
 * way out.
 */
#ifndef QZ_SYSTEM_XRVINVOKEREQUEST_P_H
#define QZ_SYSTEM_XRVINVOKEREQUEST_P_H

#include <qz/system/invokerequest.h>

#include <xrv/navigator.h>

namespace qz::system {

class XrvInvokeRequest
{
public:
    /*! Creates the platform invocation; throws std::system_error when the platform refuses. */
    XrvInvokeRequest();
    ~XrvInvokeRequest();

    /*! Copies \a request with the reply id \a id into the invocation, one platform setter per
        field, in the navigator's order; throws std::system_error on the first that fails. */
    void fill(const InvokeRequest &request, const QString &id);
    void setTargetTypeMask(int mask);
    /*! Hands the invocation to a new platform viewer, which owns it from then on (it can still
        be filled through this wrapper); throws std::system_error when the platform refuses, and
        the invocation stays with this wrapper. The caller destroys the viewer. */
    navigator_invoke_viewer_t *createViewer();
    /*! Throws std::system_error when the navigator does not take the invocation. */
    void send();

    /*! A received invocation as a request; its source and target types stay empty. */
    static InvokeRequest read(const navigator_invoke_invocation_t *invocation);

    XrvInvokeRequest(const XrvInvokeRequest &) = delete;
    XrvInvokeRequest &operator=(const XrvInvokeRequest &) = delete;

private:
    navigator_invoke_invocation_t *m_handle = nullptr;
    bool m_owned = true;
};

/*! Throws std::system_error naming \a call when \a result is not 0 (a failed platform call). */
void throwOnPlatformError(int result, const char *call);

} // namespace qz::system

#endif
