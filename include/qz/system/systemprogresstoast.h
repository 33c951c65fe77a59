#ifndef QZ_SYSTEM_SYSTEMPROGRESSTOAST_H
#define QZ_SYSTEM_SYSTEMPROGRESSTOAST_H

#include <QObject>
#include <qz/system/systemuibutton.h>
#include <qz/system/systemuienums.h>

namespace qz::system {

class SystemProgressToastPrivate;

/*!
    \class qz::system::SystemProgressToast
    \brief A toast with a progress bar, one status line and a state; the platform takes it down
    by itself.

    Sent as "ProgressToast". Behaves like SystemToast otherwise: one button (no label until given
    one), finished() reports ButtonSelection for a press and TimeOut when the toast went away.
*/
class QZSYSTEM_EXPORT SystemProgressToast : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString body READ body WRITE setBody RESET resetBody NOTIFY bodyChanged FINAL)
    Q_PROPERTY(bool autoUpdateEnabled READ autoUpdateEnabled WRITE setAutoUpdateEnabled RESET
                   resetAutoUpdateEnabled NOTIFY autoUpdateEnabledChanged FINAL)
    Q_PROPERTY(int progress READ progress WRITE setProgress RESET resetProgress NOTIFY
                   progressChanged FINAL)
    Q_PROPERTY(QString statusMessage READ statusMessage WRITE setStatusMessage RESET
                   resetStatusMessage NOTIFY statusMessageChanged FINAL)
    Q_PROPERTY(qz::system::SystemUiProgressState::Type state READ state WRITE setState RESET
                   resetState NOTIFY stateChanged FINAL)
    Q_PROPERTY(qz::system::SystemUiPosition::Type position READ position WRITE setPosition RESET
                   resetPosition NOTIFY positionChanged FINAL)
    Q_PROPERTY(qz::system::SystemUiModality::Type modality READ modality WRITE setModality RESET
                   resetModality NOTIFY modalityChanged FINAL)
    Q_PROPERTY(qz::system::SystemUiButton *button READ button RESET resetButton CONSTANT FINAL)
    Q_PROPERTY(qz::system::SystemUiResult::Type result READ result NOTIFY finished FINAL)
    Q_PROPERTY(qz::system::SystemUiError::Type error READ error NOTIFY finished FINAL)
public:
    explicit SystemProgressToast(QObject *parent = nullptr);
    ~SystemProgressToast() override;

    QString body() const;
    void setBody(const QString &body);
    Q_INVOKABLE void resetBody();

    bool autoUpdateEnabled() const;
    void setAutoUpdateEnabled(bool enabled);
    Q_INVOKABLE void resetAutoUpdateEnabled();

    /*! Percent done, 0 to 100; -1 (also for anything outside -1..100) means indeterminate. */
    int progress() const;
    void setProgress(int progress);
    Q_INVOKABLE void resetProgress();

    QString statusMessage() const;
    void setStatusMessage(const QString &message);
    Q_INVOKABLE void resetStatusMessage();

    SystemUiProgressState::Type state() const;
    void setState(SystemUiProgressState::Type state);
    Q_INVOKABLE void resetState();

    SystemUiPosition::Type position() const;
    void setPosition(SystemUiPosition::Type position);
    Q_INVOKABLE void resetPosition();

    SystemUiModality::Type modality() const;
    void setModality(SystemUiModality::Type modality);
    Q_INVOKABLE void resetModality();

    SystemUiButton *button() const;
    /*! Gives the button an empty label and enables it. */
    Q_INVOKABLE void resetButton();

    SystemUiResult::Type result() const;
    SystemUiError::Type error() const;
    /*! The button the last answer named, or null. */
    Q_INVOKABLE qz::system::SystemUiButton *buttonSelection() const;

public Q_SLOTS:
    void show();
    qz::system::SystemUiResult::Type exec();
    void update();
    void cancel();

Q_SIGNALS:
    void finished(qz::system::SystemUiResult::Type result);
    void bodyChanged(const QString &body);
    void autoUpdateEnabledChanged(bool enabled);
    void progressChanged(int progress);
    void statusMessageChanged(const QString &message);
    void stateChanged(qz::system::SystemUiProgressState::Type state);
    void positionChanged(qz::system::SystemUiPosition::Type position);
    void modalityChanged(qz::system::SystemUiModality::Type modality);
    void positionChanged(int position);
    void stateChanged(int state);
    void finished(int result);
    void modalityChanged(int modality);

private:
    SystemProgressToastPrivate *const d;
};

} // namespace qz::system

#endif
