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
    bool populateMenu();
    Menu menu() const;
    MenuManagerError::Type error() const;
    bool isFinished() const;

Q_SIGNALS:
    void finished();

private:
    friend class MenuManagerPrivate;
    std::unique_ptr<MenuManagerPrivate> const d;
};

} // namespace qz::system

#endif
