#ifndef QZ_SYSTEM_APPLICATIONSTARTUPMODE_H
#define QZ_SYSTEM_APPLICATIONSTARTUPMODE_H

#include <qz/system/qzsystem_export.h>

#include <QObject>

namespace qz::system {

/*!
    \class qz::system::ApplicationStartupMode
    \brief How the running application was started.

    \value LaunchApplication Launched as an application
    \value InvokeApplication Invoked as an application
    \value InvokeViewer Invoked as a viewer
    \value InvokeCard Invoked as a card
    \value InvokeHeadless Invoked as a headless service
    \value LaunchHeadless Launched as a headless service
*/
class QZSYSTEM_EXPORT ApplicationStartupMode
{
    Q_GADGET
public:
    enum Type : int {
        LaunchApplication = 0,
        InvokeApplication = 1,
        InvokeViewer = 2,
        InvokeCard = 3,
        InvokeHeadless = 4,
        LaunchHeadless = 5
    };
    Q_ENUM(Type)

    ApplicationStartupMode() = delete;
};

} // namespace qz::system

#endif
