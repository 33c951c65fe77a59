#ifndef QZ_SYSTEM_INVOKEQUERYTARGETSREQUEST_H
#define QZ_SYSTEM_INVOKEQUERYTARGETSREQUEST_H

#include <qz/system/invokeaction.h>
#include <qz/system/invoketarget.h>
#include <qz/system/securityperimeter.h>

#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>

namespace qz::system {

class InvokeQueryTargetsRequestPrivate;

/*!
    \class qz::system::InvokeQueryTargetsRequest
    \brief Asks the platform which targets handle an action, a MIME type or a URI.

    Sent with InvokeManager::queryTargets(). Texts and the URI default empty (not sent), the target
    types to none, the action type to All and the perimeter to Default. Writers store their value
    unchecked. Copies are independent.
*/
class QZSYSTEM_EXPORT InvokeQueryTargetsRequest
{
    Q_GADGET
    Q_PROPERTY(QString action READ action WRITE setAction FINAL)
    Q_PROPERTY(QString mimeType READ mimeType WRITE setMimeType FINAL)
    Q_PROPERTY(QUrl uri READ uri WRITE setUri FINAL)
    Q_PROPERTY(
        qz::system::InvokeTarget::Types targetTypes READ targetTypes WRITE setTargetTypes FINAL)
    Q_PROPERTY(qz::system::InvokeAction::Type actionType READ actionType WRITE setActionType FINAL)
    Q_PROPERTY(
        qz::system::SecurityPerimeter::Type perimeter READ perimeter WRITE setPerimeter FINAL)
public:
    InvokeQueryTargetsRequest();
    InvokeQueryTargetsRequest(const InvokeQueryTargetsRequest &other);
    InvokeQueryTargetsRequest &operator=(const InvokeQueryTargetsRequest &other);
    ~InvokeQueryTargetsRequest();

    QString action() const;
    void setAction(const QString &action);

    QString mimeType() const;
    void setMimeType(const QString &mimeType);

    QUrl uri() const;
    void setUri(const QUrl &uri);
    /*! Parses \a uri as a URL in tolerant mode. */
    void setUri(const QString &uri);

    /*! The kinds of target to list. */
    InvokeTarget::Types targetTypes() const;
    void setTargetTypes(InvokeTarget::Types types);

    /*! All actions, or only those meant for menus. */
    InvokeAction::Type actionType() const;
    void setActionType(InvokeAction::Type type);

    SecurityPerimeter::Type perimeter() const;
    void setPerimeter(SecurityPerimeter::Type perimeter);

private:
    std::unique_ptr<InvokeQueryTargetsRequestPrivate> d;
};

} // namespace qz::system

Q_DECLARE_METATYPE(qz::system::InvokeQueryTargetsRequest)

#endif
