/*
 * Not API. The fields of an InvokeTarget, filled from the targets of query results.
 */
#ifndef QZ_SYSTEM_INVOKETARGET_P_H
#define QZ_SYSTEM_INVOKETARGET_P_H

#include <qz/system/invoketarget.h>

#include <xrv/navigator.h>

namespace qz::system {

class InvokeTargetPrivate
{
public:
    QString name;
    QUrl icon;
    QUrl splash;
    QString label;
    InvokeTarget::Type type = InvokeTarget::Unspecified;
    SecurityPerimeter::Type perimeter = SecurityPerimeter::Default;

    static InvokeTarget create(const InvokeTargetPrivate &fields);
    /*! The target a query result describes; texts are UTF-8, icon and splash URLs. */
    static InvokeTarget fromPlatform(const navigator_invoke_query_result_target_t *description);
};

} // namespace qz::system

#endif
