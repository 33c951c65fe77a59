#ifndef QZ_SYSTEM_CONTEXTACTIVITYSTATE_H
#define QZ_SYSTEM_CONTEXTACTIVITYSTATE_H

#include <qz/system/qzsystem_export.h>

#include <QObject>

namespace qz::system {

/*!
    \class qz::system::ContextActivityState
    \brief The step of an activity that ContextCollector::sendActivity() reports.

    \value Start The activity started
    \value Pause The activity was paused
    \value Stop The activity ended
*/
class QZSYSTEM_EXPORT ContextActivityState
{
    Q_GADGET
public:
    enum Type : int { Start = 0, Pause = 1, Stop = 2 };
    Q_ENUM(Type)

    ContextActivityState() = delete;
};

} // namespace qz::system

#endif
