#ifndef QZ_SYSTEM_LOCALETYPE_H
#define QZ_SYSTEM_LOCALETYPE_H

#include <qz/system/qzsystem_export.h>

#include <QObject>

namespace qz::system {

/*!
    \class qz::system::LocaleType
    \brief Which of the device's locales a LocaleHandler watches.

    \value Messages The language of the user interface's messages
    \value Region The region locale: formats of numbers, dates, times and currency
*/
class QZSYSTEM_EXPORT LocaleType
{
    Q_GADGET
public:
    enum Type : int { Messages = 1, Region = 2 };
    Q_ENUM(Type)

    LocaleType() = delete;
};

} // namespace qz::system

#endif
