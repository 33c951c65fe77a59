#ifndef QZ_SYSTEM_MEASUREMENTSYSTEM_H
#define QZ_SYSTEM_MEASUREMENTSYSTEM_H

#include <qz/system/qzsystem_export.h>

#include <QObject>

namespace qz::system {

/*!
    \class qz::system::MeasurementSystem
    \brief The units the user chose for measurements.

    \value Metric Metric units
    \value Imperial Imperial units
*/
class QZSYSTEM_EXPORT MeasurementSystem
{
    Q_GADGET
public:
    enum Type : int { Metric = 0, Imperial = 1 };
    Q_ENUM(Type)

    MeasurementSystem() = delete;
};

} // namespace qz::system

#endif
