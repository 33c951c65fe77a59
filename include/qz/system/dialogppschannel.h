#ifndef QZ_SYSTEM_DIALOGPPSCHANNEL_H
#define QZ_SYSTEM_DIALOGPPSCHANNEL_H

#include <qz/system/qzsystem_export.h>

#include <QObject>
#include <QVariantMap>

#include <functional>
#include <memory>

namespace qz::system {

class DialogPpsChannelPrivate;

/*!
    \class qz::system::DialogPpsChannel
    \brief The transport between one dialog and the platform dialog service: one PPS control
    object, opened for publishing and subscribing.

    A map emitted on sendPassthrough() is encoded and written; whatever the service writes back is
    decoded and emitted unchanged on receivePassthrough() (keyed by object name, "@control" or
    "@system-control"). The channel knows nothing of dialogs. When the object cannot be opened the
    channel stays closed for its whole life: isOpen() is false and nothing is written or read.

    A read that finds nothing yet is dropped silently. When no answer can come any more, the
    handler given to setFailureHandler() runs, once: a read failed because the connection is gone
    (the control object's server went away, or the PPS server closed the connection), or a
    request could not be written (larger than a PPS message may be, or the connection is gone;
    logged as a warning).
*/
class QZSYSTEM_EXPORT DialogPpsChannel : public QObject
{
    Q_OBJECT
public:
    /*! Opens "/pps/services/dialog/system-control" when \a systemControl is true, else
        "/pps/services/dialog/control". */
    explicit DialogPpsChannel(bool systemControl, QObject *parent = nullptr);
    ~DialogPpsChannel() override;

    bool isOpen() const;

    /*! \a handler runs once, from onReadyRead() or onSend(), when no answer can come: the
        connection to the control object is lost or a request could not be written. An empty
        function removes the handler. */
    void setFailureHandler(std::function<void()> handler);

Q_SIGNALS:
    void sendPassthrough(const QVariantMap &map);
    void receivePassthrough(const QVariantMap &map);

public Q_SLOTS:
    void onReadyRead();
    void onSend(const QVariantMap &map);

private:
    std::unique_ptr<DialogPpsChannelPrivate> const d;
};

} // namespace qz::system

#endif
