#include "clipboard_p.h"

#include <qz/system/clipboard.h>

#include <clipboard/clipboard.h>

#include <QAtomicPointer>

#include <cerrno>
#include <cstdlib>

namespace qz::system {

namespace {

// The longest path the platform hands back, and its NUL.
constexpr unsigned int PathBufferSize = 1025;
constexpr int AccessDenied = 13;

QAtomicPointer<ClipboardPrivateFactory> g_factory;

} // namespace

ClipboardPrivate::ClipboardPrivate(const QString &path)
    : m_path(path.toUtf8())
{}

ClipboardPrivate::~ClipboardPrivate() = default;

ClipboardPrivateFactory::~ClipboardPrivateFactory() = default;

ClipboardPrivate *ClipboardPrivate::create(const QString &path)
{
    if (ClipboardPrivateFactory *factory = g_factory.loadAcquire()) {
        // A factory that makes nothing leaves the platform in charge rather than a null object.
        if (ClipboardPrivate *made = factory->create(path))
            return made;
    }
    return new ClipboardPrivateReal(path);
}

void ClipboardPrivate::setFactory(ClipboardPrivateFactory *factory)
{
    g_factory.storeRelease(factory);
}

bool ClipboardPrivate::pushPath()
{
    char buffer[PathBufferSize] = {};
    const int length = getClipboardPath(buffer, PathBufferSize);
    if (length == -1)
        return false;
    // The platform says how long the path is; never trust it past the buffer.
    m_previous = QByteArray(buffer, qBound(0, length, int(PathBufferSize) - 1));
    const int result = m_path.isEmpty()
                           ? setClipboardPath(nullptr, 0)
                           : setClipboardPath(m_path.constData(), unsigned(m_path.size()));
    return result != -1;
}

void ClipboardPrivate::popPath()
{
    setClipboardPath(m_previous.constData(), unsigned(m_previous.size()));
}

void ClipboardPrivate::setAccessDenied(int result, bool *accessDenied)
{
    if (accessDenied)
        *accessDenied = result == -1 && error() == AccessDenied;
}

bool ClipboardPrivate::contains(const QByteArray &type, bool *accessDenied)
{
    if (!pushPath())
        return false;
    const int result = isClipboardFormatPresent(type.constData());
    setAccessDenied(result, accessDenied);
    popPath();
    return result != -1;
}

QByteArray ClipboardPrivate::value(const QByteArray &type, bool *accessDenied)
{
    if (!pushPath())
        return {};
    char *data = nullptr;
    const int length = getClipboardData(type.constData(), &data);
    setAccessDenied(length, accessDenied);
    QByteArray bytes;
    // A length without bytes behind it reads as nothing rather than from a null pointer.
    if (length > 0 && data) {
        bytes = QByteArray(data, length);
        free(data);
    }
    popPath();
    return bytes;
}

bool ClipboardPrivate::insert(const QByteArray &type, const QByteArray &data)
{
    if (!pushPath())
        return false;
    const int stored = setClipboardData(type.constData(), unsigned(data.size()), data.constData());
    popPath();
    return stored == data.size();
}

bool ClipboardPrivate::remove(const QByteArray &type)
{
    if (!pushPath())
        return false;
    const int result = emptyClipboardBy(type.constData());
    popPath();
    return result != -1;
}

bool ClipboardPrivate::clear()
{
    if (!pushPath())
        return false;
    const int result = emptyClipboard();
    popPath();
    return result != -1;
}

int ClipboardPrivateReal::getClipboardPath(char *buffer, unsigned int size)
{
    return get_clipboard_path(buffer, size);
}

int ClipboardPrivateReal::setClipboardPath(const char *path, unsigned int length)
{
    return set_clipboard_path(path, length);
}

int ClipboardPrivateReal::setClipboardData(const char *type, unsigned int size, const char *data)
{
    return set_clipboard_data(type, size, data);
}

int ClipboardPrivateReal::getClipboardData(const char *type, char **data)
{
    return get_clipboard_data(type, data);
}

int ClipboardPrivateReal::emptyClipboard()
{
    return empty_clipboard();
}

int ClipboardPrivateReal::emptyClipboardBy(const char *type)
{
    return empty_clipboard_by(type);
}

int ClipboardPrivateReal::isClipboardFormatPresent(const char *type)
{
    return is_clipboard_format_present(type);
}

void ClipboardPrivateReal::free(void *data)
{
    std::free(data);
}

int ClipboardPrivateReal::error()
{
    return errno;
}

Clipboard::Clipboard(QObject *parent)
    : Clipboard(QString(), parent)
{}

Clipboard::Clipboard(const QString &path, QObject *parent)
    : QObject(parent)
    , d(ClipboardPrivate::create(path))
{}

Clipboard::~Clipboard() = default;

bool Clipboard::contains(const QString &type, bool *accessDenied) const
{
    return d->contains(type.toUtf8(), accessDenied);
}

QByteArray Clipboard::value(const QString &type, bool *accessDenied) const
{
    return d->value(type.toUtf8(), accessDenied);
}

bool Clipboard::insert(const QString &type, const QByteArray &data)
{
    return d->insert(type.toUtf8(), data);
}

bool Clipboard::remove(const QString &type)
{
    return d->remove(type.toUtf8());
}

bool Clipboard::clear()
{
    return d->clear();
}

} // namespace qz::system
