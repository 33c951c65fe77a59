#ifndef QZ_SYSTEM_INVOKERECURRENCERULEFREQUENCY_H
#define QZ_SYSTEM_INVOKERECURRENCERULEFREQUENCY_H

#include <qz/system/qzsystem_export.h>

#include <QObject>

namespace qz::system {

/*!
    \class qz::system::InvokeRecurrenceRuleFrequency
    \brief How often a recurring timer fires, before its by-lists narrow it down.

    \value None No frequency: the rule is not valid
    \value Yearly Every year
    \value Monthly Every month
    \value Weekly Every week
    \value Daily Every day
    \value Hourly Every hour
    \value Minutely Every minute
*/
class QZSYSTEM_EXPORT InvokeRecurrenceRuleFrequency
{
    Q_GADGET
public:
    enum Type : int {
        None = 0,
        Yearly = 1,
        Monthly = 2,
        Weekly = 3,
        Daily = 4,
        Hourly = 5,
        Minutely = 6
    };
    Q_ENUM(Type)

    InvokeRecurrenceRuleFrequency() = delete;
};

} // namespace qz::system

#endif
