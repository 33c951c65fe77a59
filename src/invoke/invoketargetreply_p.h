/*
 * Not API. An invocation's reply also reads the target the navigator chose.
 */
#ifndef QZ_SYSTEM_INVOKETARGETREPLY_P_H
#define QZ_SYSTEM_INVOKETARGETREPLY_P_H

#include "invokereply_p.h"

#include <qz/system/invoketargetreply.h>

namespace qz::system {

class InvokeTargetReplyPrivate : public InvokeReplyPrivate
{
public:
    explicit InvokeTargetReplyPrivate(InvokeTargetReply *reply);

    void parseReplyEvent(xrv_event_t *event) override;

    QString target;
    InvokeTarget::Type targetType = InvokeTarget::Unspecified;
};

} // namespace qz::system

#endif
