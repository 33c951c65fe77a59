#ifndef QZ_SYSTEM_CONTEXTCLASSIFICATION_H
#define QZ_SYSTEM_CONTEXTCLASSIFICATION_H

#include <qz/system/qzsystem_export.h>

#include <QObject>

namespace qz::system {

/*!
    \class qz::system::ContextClassification
    \brief How private an attribute of a ContextEvent is.

    \value Public Stored as given
    \value Private Anonymised before it is stored
    \value PrivateShort A short private value (a PIN, a code), anonymised before it is stored
*/
class QZSYSTEM_EXPORT ContextClassification
{
    Q_GADGET
public:
    enum Type : int { Public = 0, Private = 1, PrivateShort = 2 };
    Q_ENUM(Type)

    ContextClassification() = delete;
};

} // namespace qz::system

#endif
