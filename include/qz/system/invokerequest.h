#ifndef QZ_SYSTEM_INVOKEREQUEST_H
#define QZ_SYSTEM_INVOKEREQUEST_H

#include <qz/system/filetransfermode.h>
#include <qz/system/invokesource.h>
#include <qz/system/invoketarget.h>
#include <qz/system/securityperimeter.h>

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <memory>

namespace qz::system {

class InvokeRequestPrivate;

/*!
    \class qz::system::InvokeRequest
    \brief An invocation: what to hand to which target.

    Sent with InvokeManager::invoke(); received ones arrive in InvokeManager::invoked(). Writers
    store their value unchecked. A default request has every text, URL, list and number empty or 0.
    Copies are independent.
*/
class QZSYSTEM_EXPORT InvokeRequest
{
    Q_GADGET
    Q_PROPERTY(QString target READ target WRITE setTarget FINAL)
    Q_PROPERTY(QString action READ action WRITE setAction FINAL)
    Q_PROPERTY(QString mimeType READ mimeType WRITE setMimeType FINAL)
    Q_PROPERTY(QUrl uri READ uri WRITE setUri FINAL)
    Q_PROPERTY(QByteArray data READ data WRITE setData FINAL)
    Q_PROPERTY(QVariantMap metadata READ metadata WRITE setMetadata FINAL)
    Q_PROPERTY(qz::system::FileTransferMode::Type fileTransferMode READ fileTransferMode WRITE
                   setFileTransferMode FINAL)
    Q_PROPERTY(
        qz::system::SecurityPerimeter::Type perimeter READ perimeter WRITE setPerimeter FINAL)
    Q_PROPERTY(
        qz::system::InvokeTarget::Types targetTypes READ targetTypes WRITE setTargetTypes FINAL)
    Q_PROPERTY(int listId READ listId WRITE setListId FINAL)
public:
    InvokeRequest();
    InvokeRequest(const InvokeRequest &other);
    InvokeRequest &operator=(const InvokeRequest &other);
    ~InvokeRequest();

    /*! Who sent a received request; empty on requests built by the application. */
    InvokeSource source() const;

    /*! The key of the receiving target; empty lets the platform choose. */
    QString target() const;
    void setTarget(const QString &target);

    /*! The action, for example "qz.action.DIAL". */
    QString action() const;
    void setAction(const QString &action);

    QString mimeType() const;
    void setMimeType(const QString &mimeType);

    QUrl uri() const;
    void setUri(const QUrl &uri);
    /*! Parses \a uri as a URL in tolerant mode. */
    void setUri(const QString &uri);
    /*! Takes \a uri as UTF-8 text, then as setUri(const QString &). */
    void setUri(const char *uri);

    QByteArray data() const;
    void setData(const QByteArray &data);

    /*! Extra named values; they travel as one JSON object. */
    QVariantMap metadata() const;
    void setMetadata(const QVariantMap &metadata);

    FileTransferMode::Type fileTransferMode() const;
    void setFileTransferMode(FileTransferMode::Type mode);

    SecurityPerimeter::Type perimeter() const;
    void setPerimeter(SecurityPerimeter::Type perimeter);

    /*! The kinds of target the platform may choose from; none means any. */
    InvokeTarget::Types targetTypes() const;
    void setTargetTypes(InvokeTarget::Types types);

    /*! The list the request belongs to, for list navigation. */
    int listId() const;
    void setListId(int listId);

private:
    friend class InvokeRequestPrivate;
    std::unique_ptr<InvokeRequestPrivate> d;
};

} // namespace qz::system

Q_DECLARE_METATYPE(qz::system::InvokeRequest)

#endif
