/*
 * Not API. The fields of an InvokeViewerMessage, and the relay name reserved for asking the
 * invoker to close its viewer.
 */
#ifndef QZ_SYSTEM_INVOKEVIEWERMESSAGE_P_H
#define QZ_SYSTEM_INVOKEVIEWERMESSAGE_P_H

#include <qz/system/invokeviewermessage.h>

namespace qz::system {

class InvokeViewerMessagePrivate
{
public:
    QString windowId;
    QString id;
    QString name;
    QString data;

    static constexpr char CloseRequestName[] = "viewerCloseRequest";
};

} // namespace qz::system

#endif
