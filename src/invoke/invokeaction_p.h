/*
 * Not API. The fields of an InvokeAction, filled from the actions of query results.
 */
#ifndef QZ_SYSTEM_INVOKEACTION_P_H
#define QZ_SYSTEM_INVOKEACTION_P_H

#include <qz/system/invokeaction.h>

#include <xrv/navigator.h>

namespace qz::system {

class InvokeActionPrivate
{
public:
    QString name;
    QUrl icon;
    QString label;
    QString defaultTarget;
    QList<InvokeTarget> targets;

    static InvokeAction create(const InvokeActionPrivate &fields);
    /*! The action a query result describes, with its targets in the platform's order. */
    static InvokeAction fromPlatform(const navigator_invoke_query_result_action_t *description);
};

} // namespace qz::system

#endif
