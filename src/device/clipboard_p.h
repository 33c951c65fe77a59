/*
 * Not API. The clipboard's platform calls behind an abstract class, so that a factory can replace
 * them. Exported for the tests only; never installed.
 */
#ifndef QZ_SYSTEM_CLIPBOARD_P_H
#define QZ_SYSTEM_CLIPBOARD_P_H

#include <qz/system/qzsystem_export.h>

#include <QByteArray>
#include <QString>

namespace qz::system {

class ClipboardPrivateFactory;

/*! One clipboard's path and the platform operations on it; each returns -1 on failure. */
class QZSYSTEM_EXPORT ClipboardPrivate
{
public:
    explicit ClipboardPrivate(const QString &path);
    virtual ~ClipboardPrivate();

    virtual int getClipboardPath(char *buffer, unsigned int size) = 0;
    virtual int setClipboardPath(const char *path, unsigned int length) = 0;
    virtual int setClipboardData(const char *type, unsigned int size, const char *data) = 0;
    virtual int getClipboardData(const char *type, char **data) = 0;
    virtual int emptyClipboard() = 0;
    virtual int emptyClipboardBy(const char *type) = 0;
    virtual int isClipboardFormatPresent(const char *type) = 0;
    virtual void free(void *data) = 0;
    virtual int error() = 0;

    /*! The factory's product when a factory is set, else the platform-backed implementation. */
    static ClipboardPrivate *create(const QString &path);
    /*! Makes create() use \a factory (not owned); nullptr restores the platform. */
    static void setFactory(ClipboardPrivateFactory *factory);

    /*! Switches the platform to this clipboard's path, saving the current one. */
    bool pushPath();
    /*! Restores the path saved by pushPath(). */
    void popPath();

    bool contains(const QByteArray &type, bool *accessDenied);
    QByteArray value(const QByteArray &type, bool *accessDenied);
    bool insert(const QByteArray &type, const QByteArray &data);
    bool remove(const QByteArray &type);
    bool clear();

private:
    void setAccessDenied(int result, bool *accessDenied);

    QByteArray m_path;     // empty: the default clipboard
    QByteArray m_previous; // the path current before pushPath()
};

class QZSYSTEM_EXPORT ClipboardPrivateFactory
{
public:
    virtual ~ClipboardPrivateFactory();
    virtual ClipboardPrivate *create(const QString &path) = 0;
};

/*! The platform clipboard library, call for call. */
class ClipboardPrivateReal : public ClipboardPrivate
{
public:
    using ClipboardPrivate::ClipboardPrivate;

    int getClipboardPath(char *buffer, unsigned int size) override;
    int setClipboardPath(const char *path, unsigned int length) override;
    int setClipboardData(const char *type, unsigned int size, const char *data) override;
    int getClipboardData(const char *type, char **data) override;
    int emptyClipboard() override;
    int emptyClipboardBy(const char *type) override;
    int isClipboardFormatPresent(const char *type) override;
    void free(void *data) override;
    int error() override;
};

} // namespace qz::system

#endif
