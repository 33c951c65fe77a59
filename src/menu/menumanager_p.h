/*
 * Not API. The menu manager's request fields and its listener on the menu domain.
 */
#ifndef QZ_SYSTEM_MENUMANAGER_P_H
#define QZ_SYSTEM_MENUMANAGER_P_H

#include <qz/system/menumanager.h>

#include <qz/AbstractXrvEventHandler>

namespace qz::system {

class MenuManagerPrivate : public qz::AbstractXrvEventHandler
{
public:
    explicit MenuManagerPrivate(MenuManager *manager);
    ~MenuManagerPrivate() override;

    /*! Starts the delivery of menu events; once, from the manager's constructor. */
    void listen();
    void event(xrv_event_t *event) override;
    /*! Builds the platform request and sends it; false on the first platform call that fails. */
    bool send();
    /*! The id a request carries so that its answer finds this manager. */
    QString id() const;

    bool finished = false;
    MenuManagerError::Type error = MenuManagerError::None;
    QString action;
    QString targetKey;
    QString mimeType;
    QUrl uri;
    QByteArray data;
    QVariantMap metadata;
    InvokeTarget::Types targetTypes;
    SecurityPerimeter::Type perimeter = SecurityPerimeter::Default;
    FileTransferMode::Type fileTransferMode = FileTransferMode::Unspecified;
    Menu menu;
    MenuManager *const q;
};

} // namespace qz::system

#endif
