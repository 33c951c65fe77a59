#ifndef QZ_SYSTEM_CARDRESIZEMESSAGE_H
#define QZ_SYSTEM_CARDRESIZEMESSAGE_H

#include <qz/system/cardedge.h>
#include <qz/system/cardorientation.h>

#include <QMetaType>
#include <QObject>
#include <QString>

#include <memory>

namespace qz::system {

class CardResizeMessagePrivate;

/*!
    \class qz::system::CardResizeMessage
    \brief A request from the platform to resize this card.

    Received in InvokeManager::cardResizeRequested(); the card acknowledges it by passing it back to
    InvokeManager::cardResized(). Copies are independent.
*/
class QZSYSTEM_EXPORT CardResizeMessage
{
    Q_GADGET
    Q_PROPERTY(QString id READ id CONSTANT FINAL)
    Q_PROPERTY(int width READ width CONSTANT FINAL)
    Q_PROPERTY(int height READ height CONSTANT FINAL)
    Q_PROPERTY(qz::system::CardEdge::Type upEdge READ upEdge CONSTANT FINAL)
    Q_PROPERTY(qz::system::CardOrientation::Type orientation READ orientation CONSTANT FINAL)
public:
    CardResizeMessage();
    CardResizeMessage(const CardResizeMessage &other);
    CardResizeMessage &operator=(const CardResizeMessage &other);
    ~CardResizeMessage();

    /*! The platform's id of the request, handed back on acknowledgement. */
    QString id() const;
    int width() const;
    int height() const;
    CardEdge::Type upEdge() const;
    CardOrientation::Type orientation() const;

private:
    friend class CardResizeMessagePrivate;
    std::unique_ptr<CardResizeMessagePrivate> d;
};

} // namespace qz::system

Q_DECLARE_METATYPE(qz::system::CardResizeMessage)

#endif
