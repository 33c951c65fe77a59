#ifndef QZ_SYSTEM_CARDDONEMESSAGE_H
#define QZ_SYSTEM_CARDDONEMESSAGE_H

#include <qz/system/qzsystem_export.h>

#include <QMetaType>
#include <QObject>
#include <QString>

#include <memory>

namespace qz::system {

class CardDoneMessagePrivate;

/*!
    \class qz::system::CardDoneMessage
    \brief The result with which a card closes.

    A card sends it with InvokeManager::sendCardDone(); its parent receives it in
    InvokeManager::childCardDone(). Copies are independent.
*/
class QZSYSTEM_EXPORT CardDoneMessage
{
    Q_GADGET
    Q_PROPERTY(QString reason READ reason WRITE setReason FINAL)
    Q_PROPERTY(QString dataType READ dataType WRITE setDataType FINAL)
    Q_PROPERTY(QString data READ data WRITE setData FINAL)
public:
    CardDoneMessage();
    CardDoneMessage(const CardDoneMessage &other);
    CardDoneMessage &operator=(const CardDoneMessage &other);
    ~CardDoneMessage();

    /*! Why the card closed, as the card states it. */
    QString reason() const;
    void setReason(const QString &reason);
    /*! The MIME type of data(). */
    QString dataType() const;
    void setDataType(const QString &dataType);
    QString data() const;
    void setData(const QString &data);

private:
    std::unique_ptr<CardDoneMessagePrivate> d;
};

} // namespace qz::system

Q_DECLARE_METATYPE(qz::system::CardDoneMessage)

#endif
