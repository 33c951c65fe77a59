/*
 * Not API. The fields of a MenuItemInvokeParams and how they are read from the platform's menu
 * invocation: through the virtual reading operations only, so that a factory can stand in for the
 * platform. Exported for the tests only; never installed.
 */
#ifndef QZ_SYSTEM_MENUITEMINVOKEPARAMS_P_H
#define QZ_SYSTEM_MENUITEMINVOKEPARAMS_P_H

#include <qz/system/menuiteminvokeparams.h>

#include <xrv/menu.h>

namespace qz::system {

class MenuItemInvokeParamsPrivateFactory;

class QZSYSTEM_EXPORT MenuItemInvokeParamsPrivate
{
public:
    virtual ~MenuItemInvokeParamsPrivate();

    virtual int getTargetType(const menu_invocation_t *invocation) = 0;
    virtual const char *getTargetKey(const menu_invocation_t *invocation) = 0;
    virtual const char *getAction(const menu_invocation_t *invocation) = 0;
    virtual const char *getMimeType(const menu_invocation_t *invocation) = 0;
    virtual const char *getUri(const menu_invocation_t *invocation) = 0;
    virtual const char *getUriMatch(const menu_invocation_t *invocation) = 0;
    virtual int getFileTransferMode(const menu_invocation_t *invocation) = 0;
    /*! The data bytes, with their count in \a length. */
    virtual const void *getData(const menu_invocation_t *invocation, int *length) = 0;
    virtual const char *getMetadata(const menu_invocation_t *invocation) = 0;
    virtual int getPerimeter(const menu_invocation_t *invocation) = 0;

    /*! The factory's product when a factory is set, else the platform-backed implementation. */
    static MenuItemInvokeParamsPrivate *create();
    /*! A private with the fields of \a other, made as create() makes one. */
    static MenuItemInvokeParamsPrivate *copy(const MenuItemInvokeParamsPrivate &other);
    /*! Makes create() and copy() use \a factory (not owned); nullptr restores the platform. */
    static void setFactory(MenuItemInvokeParamsPrivateFactory *factory);

    /*! Fills the fields from \a invocation and makes them valid. */
    void read(const menu_invocation_t *invocation);
    static MenuItemInvokeParamsPrivate *of(MenuItemInvokeParams &params) { return params.d.get(); }

    InvokeTarget::Type type = InvokeTarget::Unspecified;
    QString target;
    QString action;
    QString mimeType;
    QUrl uri;
    QUrl uriMatch;
    FileTransferMode::Type fileTransferMode = FileTransferMode::Unspecified;
    QByteArray data;
    QVariantMap metadata;
    SecurityPerimeter::Type perimeter = SecurityPerimeter::Default;
    bool valid = false;

protected:
    MenuItemInvokeParamsPrivate() = default;
    // Fields only; the platform side is whatever the copy is made as.
    MenuItemInvokeParamsPrivate(const MenuItemInvokeParamsPrivate &) = default;
    MenuItemInvokeParamsPrivate &operator=(const MenuItemInvokeParamsPrivate &) = default;

    friend class MenuItemInvokeParams;
};

class QZSYSTEM_EXPORT MenuItemInvokeParamsPrivateFactory
{
public:
    virtual ~MenuItemInvokeParamsPrivateFactory();
    virtual MenuItemInvokeParamsPrivate *create() = 0;
    virtual MenuItemInvokeParamsPrivate *copy(const MenuItemInvokeParamsPrivate &other) = 0;
};

/*! The platform's menu invocation accessors, call for call. */
class MenuItemInvokeParamsPrivateReal : public MenuItemInvokeParamsPrivate
{
public:
    MenuItemInvokeParamsPrivateReal() = default;
    explicit MenuItemInvokeParamsPrivateReal(const MenuItemInvokeParamsPrivate &other)
        : MenuItemInvokeParamsPrivate(other)
    {}

    int getTargetType(const menu_invocation_t *invocation) override;
    const char *getTargetKey(const menu_invocation_t *invocation) override;
    const char *getAction(const menu_invocation_t *invocation) override;
    const char *getMimeType(const menu_invocation_t *invocation) override;
    const char *getUri(const menu_invocation_t *invocation) override;
    const char *getUriMatch(const menu_invocation_t *invocation) override;
    int getFileTransferMode(const menu_invocation_t *invocation) override;
    const void *getData(const menu_invocation_t *invocation, int *length) override;
    const char *getMetadata(const menu_invocation_t *invocation) override;
    int getPerimeter(const menu_invocation_t *invocation) override;
};

} // namespace qz::system

#endif
