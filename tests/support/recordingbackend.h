// The recording backend: stands in for the device behind the platform's C functions. It records
// every call with its arguments, succeeds unless told to fail a named call, hands back out-values
// the test gives it, and posts events as the service would.
#ifndef QZ_TESTS_RECORDINGBACKEND_H
#define QZ_TESTS_RECORDINGBACKEND_H

#include <xrv/backend_p.h>

#include <QHash>
#include <QList>
#include <QMutex>
#include <QSet>

#include <initializer_list>

class RecordingBackend : public qz::platform::Backend
{
public:
    using Service = qz::platform::Service;

    struct Call
    {
        QByteArray name;
        QVariantList args;
    };

    /*! Installs itself for \a services (all by default) until destroyed. */
    RecordingBackend(std::initializer_list<Service> services = {
                         Service::Navigator, Service::Menu, Service::Nfc, Service::Clipboard,
                         Service::Screen, Service::Image, Service::Context});
    ~RecordingBackend() override;

    int call(const QByteArray &name, const QVariantList &args, QVariantList *out) override;

    QList<Call> calls() const;
    QList<QByteArray> callNames() const;
    /*! The calls named \a name, in order. */
    QList<QVariantList> argumentsOf(const QByteArray &name) const;
    void clear();

    /*! Makes every later call named \a name return -1 with errno \a error. */
    void failCall(const QByteArray &name, int error = EIO);
    void succeedCall(const QByteArray &name);
    /*! What later calls named \a name hand back in their out-parameters. */
    void setOutValues(const QByteArray &name, const QVariantList &values);

    /*! Posts an event of \a service's domain, as the service would. */
    static void postEvent(Service service, int code, const QVariantHash &fields = {});

private:
    mutable QMutex m_mutex;
    QList<Service> m_services;
    QList<Call> m_calls;
    QHash<QByteArray, int> m_failures;
    QHash<QByteArray, QVariantList> m_outValues;
};

#endif
