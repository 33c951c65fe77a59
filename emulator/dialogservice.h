// The device's dialog service: serves "/pps/services/dialog/control" and ".../system-control",
// keeps the dialogs each client has up, lets a policy decide the answers and sends them back.
//
// A "show" or "update" whose description exceeds DialogLimits is refused: the service logs a
// warning naming the bound, takes the dialog down if it was up, and answers
//     res::error  id::<the dialog's id>  dat:json:{"errorText":"<which bound>"}
// A client of the library ends such a dialog at once (its "res" is not "show"), so it never waits
// for an answer that cannot come.
#ifndef QZDEVICE_DIALOGSERVICE_H
#define QZDEVICE_DIALOGSERVICE_H

#include "deviceservice.h"
#include "dialog.h"

#include <memory>

class DialogPolicy;
class DialogServicePrivate;

class DialogService : public DeviceService
{
    Q_OBJECT
public:
    static const QString s_controlPath;
    static const QString s_systemControlPath;

    /*! The service takes ownership of \a policy. */
    explicit DialogService(std::unique_ptr<DialogPolicy> policy, QObject *parent = nullptr);
    ~DialogService() override;

    QString name() const override;
    bool start(QString *error) override;

    /*! How many dialogs are up, answered ones the client still keeps up included. */
    int dialogCount() const;
    /*! The dialogs that are up, as their clients last described them. */
    QList<Dialog> dialogs() const;

private:
    std::unique_ptr<DialogServicePrivate> const d;
};

#endif
