#ifndef QZ_SYSTEM_SYSTEMTOAST_H
#define QZ_SYSTEM_SYSTEMTOAST_H

#include <qz/system/systemuibutton.h>
#include <qz/system/systemuienums.h>

#include <QObject>
#include <QUrl>

namespace qz::system {

class SystemToastPrivate;

/*!
    \class qz::system::SystemToast
    \brief A short message the platform shows over the application and takes down by itself,
    with at most one button and an optional icon.

    The toast has no button until button() is given a label. finished() reports ButtonSelection
    when the button was pressed and TimeOut when the toast went away by itself; Error with
    error() InvalidState when the button object was deleted, or ServiceUnavailable when the dialog
    service cannot be reached. A dynamic property "priority" (convertible to bool) raises a
    globally modal toast. With autoUpdateEnabled, changes while the toast is up are sent at once.
*/
class QZSYSTEM_EXPORT SystemToast : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString body READ body WRITE setBody RESET resetBody NOTIFY bodyChanged FINAL)
    Q_PROPERTY(bool autoUpdateEnabled READ autoUpdateEnabled WRITE setAutoUpdateEnabled RESET
                   resetAutoUpdateEnabled NOTIFY autoUpdateEnabledChanged FINAL)
    Q_PROPERTY(QUrl icon READ icon WRITE setIcon RESET resetIcon NOTIFY iconChanged FINAL)
    Q_PROPERTY(qz::system::SystemUiPosition::Type position READ position WRITE setPosition RESET
                   resetPosition NOTIFY positionChanged FINAL)
    Q_PROPERTY(qz::system::SystemUiModality::Type modality READ modality WRITE setModality RESET
                   resetModality NOTIFY modalityChanged FINAL)
    Q_PROPERTY(qz::system::SystemUiButton *button READ button RESET resetButton CONSTANT FINAL)
    Q_PROPERTY(qz::system::SystemUiResult::Type result READ result NOTIFY finished FINAL)
    Q_PROPERTY(qz::system::SystemUiError::Type error READ error NOTIFY finished FINAL)
public:
    explicit SystemToast(QObject *parent = nullptr);
    ~SystemToast() override;

    QString body() const;
    void setBody(const QString &body);
    Q_INVOKABLE void resetBody();

    bool autoUpdateEnabled() const;
    void setAutoUpdateEnabled(bool enabled);
    Q_INVOKABLE void resetAutoUpdateEnabled();

    /*! An asset, file or relative URL (see qz::UIToolkitSupport); a toast with an icon is sent as
        "IconToast". */
    QUrl icon() const;
    void setIcon(const QUrl &icon);
    Q_INVOKABLE void resetIcon();

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
    void iconChanged(const QUrl &icon);
    void positionChanged(qz::system::SystemUiPosition::Type position);
    void modalityChanged(qz::system::SystemUiModality::Type modality);
    void finished(int result);
    void positionChanged(int position);
    void modalityChanged(int modality);

private:
    SystemToastPrivate *const d;
};

} // namespace qz::system

#endif
