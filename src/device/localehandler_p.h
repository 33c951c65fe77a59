/*
 * Not API. The private part of LocaleHandler.
 */
#ifndef QZ_SYSTEM_LOCALEHANDLER_P_H
#define QZ_SYSTEM_LOCALEHANDLER_P_H

#include <qz/system/localehandler.h>

#include <QObject>

namespace qz::system {

class LocaleHandlerPrivate : public QObject
{
    Q_OBJECT
public:
    LocaleHandlerPrivate(LocaleHandler *owner, LocaleType::Type localeType);

    LocaleHandler *const q;
    const LocaleType::Type type;

private Q_SLOTS:
    void onUpdateUom();
};

} // namespace qz::system

#endif
