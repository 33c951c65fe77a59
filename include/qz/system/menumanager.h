#ifndef QZ_SYSTEM_MENUMANAGER_H
#define QZ_SYSTEM_MENUMANAGER_H

#include <qz/system/filetransfermode.h>
#include <qz/system/invoketarget.h>
#include <qz/system/menu.h>
#include <qz/system/menumanagererror.h>
#include <qz/system/securityperimeter.h>

#include <QByteArray>
#include <QObject>
#include <QUrl>
#include <QVariantMap>

#include <memory>

namespace qz::system {

class MenuManagerPrivate;

/*!
    \class qz::system::MenuManager
    \brief Asks the platform for the menu of things to do with a piece of content.

    Describe the content with the setters as for an invocation, call populateMenu() and wait for
    finished(); menu() then holds the tree of entries, or error() says the service failed (the
    previous menu is kept then). The manager keeps listening: every later populateMenu() is
    answered the same way. Nothing resets isFinished() or error() when a new request is sent.
*/
class QZSYSTEM_EXPORT MenuManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString action READ action WRITE setAction NOTIFY actionChanged FINAL)
    Q_PROPERTY(QString targetKey READ targetKey WRITE setTargetKey NOTIFY targetKeyChanged FINAL)
    Q_PROPERTY(QString mimeType READ mimeType WRITE setMimeType NOTIFY mimeTypeChanged FINAL)
    Q_PROPERTY(QUrl uri READ uri WRITE setUri NOTIFY uriChanged FINAL)
    Q_PROPERTY(QByteArray data READ data WRITE setData NOTIFY dataChanged FINAL)
    Q_PROPERTY(QVariantMap metadata READ metadata WRITE setMetadata NOTIFY metadataChanged FINAL)
    Q_PROPERTY(qz::system::InvokeTarget::Types targetTypes READ targetTypes WRITE setTargetTypes
                   NOTIFY targetTypesChanged FINAL)
    Q_PROPERTY(qz::system::SecurityPerimeter::Type perimeter READ perimeter WRITE setPerimeter
                   NOTIFY perimeterChanged FINAL)
    Q_PROPERTY(qz::system::FileTransferMode::Type fileTransferMode READ fileTransferMode WRITE
                   setFileTransferMode NOTIFY fileTransferModeChanged FINAL)
    Q_PROPERTY(qz::system::Menu menu READ menu NOTIFY finished FINAL)
    Q_PROPERTY(qz::system::MenuManagerError::Type error READ error NOTIFY finished FINAL)
public:
    explicit MenuManager(QObject *parent = nullptr);
    ~MenuManager() override;

    QString action() const;
    void setAction(const QString &action);
    QString targetKey() const;
    void setTargetKey(const QString &targetKey);
    QString mimeType() const;
    void setMimeType(const QString &mimeType);
    QUrl uri() const;
    void setUri(const QUrl &uri);
    QByteArray data() const;
    void setData(const QByteArray &data);
    QVariantMap metadata() const;
    void setMetadata(const QVariantMap &metadata);
    InvokeTarget::Types targetTypes() const;
    void setTargetTypes(InvokeTarget::Types types);
    SecurityPerimeter::Type perimeter() const;
    void setPerimeter(SecurityPerimeter::Type perimeter);
    FileTransferMode::Type fileTransferMode() const;
    void setFileTransferMode(FileTransferMode::Type mode);

    /*! Sends the request; true when the platform took it. On false nothing changed. */
    Q_INVOKABLE bool populateMenu();
    Menu menu() const;
    MenuManagerError::Type error() const;
    Q_INVOKABLE bool isFinished() const;

Q_SIGNALS:
    void finished();
    // Each setter emits its signal only when the value changes.
    void actionChanged(const QString &action);
    void targetKeyChanged(const QString &targetKey);
    void mimeTypeChanged(const QString &mimeType);
    void uriChanged(const QUrl &uri);
    void dataChanged(const QByteArray &data);
    void metadataChanged(const QVariantMap &metadata);
    void targetTypesChanged(qz::system::InvokeTarget::Types types);
    void perimeterChanged(qz::system::SecurityPerimeter::Type perimeter);
    void fileTransferModeChanged(qz::system::FileTransferMode::Type mode);

private:
    friend class MenuManagerPrivate;
    std::unique_ptr<MenuManagerPrivate> const d;
};

} // namespace qz::system

#endif
