/*
 * Not API. The fields of an InvokeAction, filled by the target queries.
 */
#ifndef QZ_SYSTEM_INVOKEACTION_P_H
#define QZ_SYSTEM_INVOKEACTION_P_H

#include <qz/system/invokeaction.h>

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
};

} // namespace qz::system

#endif
