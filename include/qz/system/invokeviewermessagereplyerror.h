#ifndef QZ_SYSTEM_INVOKEVIEWERMESSAGEREPLYERROR_H
#define QZ_SYSTEM_INVOKEVIEWERMESSAGEREPLYERROR_H

#include <qz/system/qzsystem_export.h>

#include <QObject>

namespace qz::system {

/*!
    \class qz::system::InvokeViewerMessageReplyError
    \brief Why the answer to a relay message reports a failure.

    \value None No error
    \value InvalidWindowId No viewer renders into the message's window group
    \value InvalidMessage The relay was refused as malformed
    \value Internal The navigator failed, or reported an error this library does not know
*/
class QZSYSTEM_EXPORT InvokeViewerMessageReplyError
{
    Q_GADGET
public:
    enum Type : int { None = 0, InvalidWindowId = 1, InvalidMessage = 2, Internal = 3 };
    Q_ENUM(Type)

    InvokeViewerMessageReplyError() = delete;
};

} // namespace qz::system

#endif
