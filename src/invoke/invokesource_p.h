/*
 * Not API. The fields of an InvokeSource, filled by the invoke manager.
 */
#ifndef QZ_SYSTEM_INVOKESOURCE_P_H
#define QZ_SYSTEM_INVOKESOURCE_P_H

#include <qz/system/invokesource.h>

namespace qz::system {

class InvokeSourcePrivate
{
public:
    int groupId = 0;
    QString installId;

    static InvokeSource create(int groupId, const QString &installId);
};

} // namespace qz::system

#endif
