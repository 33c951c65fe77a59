/*
 * Not API. The fields of an InvokeTarget, filled by the target queries.
 */
#ifndef QZ_SYSTEM_INVOKETARGET_P_H
#define QZ_SYSTEM_INVOKETARGET_P_H

#include <qz/system/invoketarget.h>

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
};

} // namespace qz::system

#endif
