#ifndef QZ_SYSTEM_INVOKERECURRENCERULELIMIT_H
#define QZ_SYSTEM_INVOKERECURRENCERULELIMIT_H

#include <qz/system/qzsystem_export.h>

#include <QObject>

namespace qz::system {

/*!
    \class qz::system::InvokeRecurrenceRuleLimit
    \brief What ends a recurring timer.

    \value None Nothing: it recurs for ever
    \value Count A number of occurrences
    \value Date A date and time
*/
class QZSYSTEM_EXPORT InvokeRecurrenceRuleLimit
{
    Q_GADGET
public:
    enum Type : int { None = 0, Count = 1, Date = 2 };
    Q_ENUM(Type)

    InvokeRecurrenceRuleLimit() = delete;
};

} // namespace qz::system

#endif
