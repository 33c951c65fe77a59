/*
 * Not API. A device backend's link to its service in qzdevice: the service's control object,
 * opened on the thread that first asks, requests written as "msg" and "dat", and the text of each
 * read handed to the backend. The link drops itself, and says so, when the service goes away or
 * a write fails; the next connect() opens it again.
 */
#ifndef XRV_SERVICELINK_P_H
#define XRV_SERVICELINK_P_H

#include <qz/PpsObject>

#include <QPointer>
#include <QVariantMap>

#include <functional>

namespace qz::platform {

class ServiceLink
{
public:
    /*! \a service names the service in log lines ("menu"); \a path is its control object. */
    ServiceLink(const char *service, const QString &path);
    ~ServiceLink();

    /*! Called with the text of each read. */
    std::function<void(const QByteArray &text)> onRead;
    /*! Called once each time an open link is dropped. */
    std::function<void()> onDropped;

    /*! Opens the control object unless it is open; false without a Qt application or when the
        service cannot be reached. \a opened tells whether it was opened just now. */
    bool connect(bool *opened = nullptr);
    void drop();
    bool send(const QString &msg, const QVariantMap &dat);

    bool isOpen() const { return m_object && m_object->isOpen(); }
    /*! Whether the link belongs to a thread other than the caller's. */
    bool isForeign() const;
    /*! The open control object, for queued calls on its thread; null when dropped. */
    PpsObject *object() const { return m_object; }

    ServiceLink(const ServiceLink &) = delete;
    ServiceLink &operator=(const ServiceLink &) = delete;

private:
    void read();

    const char *const m_service;
    const QString m_path;
    QPointer<PpsObject> m_object;
};

} // namespace qz::platform

#endif
