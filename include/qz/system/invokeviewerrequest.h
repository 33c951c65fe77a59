#ifndef QZ_SYSTEM_INVOKEVIEWERREQUEST_H
#define QZ_SYSTEM_INVOKEVIEWERREQUEST_H

#include <qz/system/invokerequest.h>

#include <QObject>
#include <QSize>

namespace qz::system {

class InvokeViewerRequestPrivate;

/*!
    \class qz::system::InvokeViewerRequest
    \brief An invocation of a viewer: a target that renders into a window of the invoker.

    Everything of InvokeRequest, plus the window group to render into and the window's size.
    Received ones arrive in InvokeManager::invoked(const InvokeViewerRequest &). Copies are
    independent; copying one into an InvokeRequest keeps the invocation and drops the window.
*/
class QZSYSTEM_EXPORT InvokeViewerRequest : public InvokeRequest
{
    Q_GADGET
    Q_PROPERTY(QString windowId READ windowId WRITE setWindowId FINAL)
    Q_PROPERTY(QSize windowSize READ windowSize WRITE setWindowSize FINAL)
public:
    InvokeViewerRequest();
    InvokeViewerRequest(const InvokeViewerRequest &other);
    InvokeViewerRequest &operator=(const InvokeViewerRequest &other);
    ~InvokeViewerRequest();

    /*! The window group the viewer renders into; empty by default. */
    QString windowId() const;
    void setWindowId(const QString &windowId);

    /*! The viewer window's size; invalid (-1 by -1) by default. */
    QSize windowSize() const;
    void setWindowSize(const QSize &windowSize);

private:
    std::unique_ptr<InvokeViewerRequestPrivate> d;
};

} // namespace qz::system

Q_DECLARE_METATYPE(qz::system::InvokeViewerRequest)

#endif
