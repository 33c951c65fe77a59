#ifndef QZ_SYSTEM_SECURITYPERIMETER_H
#define QZ_SYSTEM_SECURITYPERIMETER_H

#include <qz/system/qzsystem_export.h>

#include <QObject>

namespace qz::system {

/*!
    \class qz::system::SecurityPerimeter
    \brief The security perimeter in which an invocation target runs.

    \value Default The perimeter the platform chooses
    \value Enterprise The enterprise (work) perimeter
    \value Personal The personal perimeter
*/
class QZSYSTEM_EXPORT SecurityPerimeter
{
    Q_GADGET
public:
    enum Type : int { Default = 0, Enterprise = 1, Personal = 2 };
    Q_ENUM(Type)

    SecurityPerimeter() = delete;
};

} // namespace qz::system

#endif
