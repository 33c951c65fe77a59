#ifndef QZ_SYSTEM_SYSTEMUIBUTTON_H
#define QZ_SYSTEM_SYSTEMUIBUTTON_H

#include <qz/system/qzsystem_export.h>

#include <QObject>
#include <QString>

#include <memory>

namespace qz::system {

class SystemUiButtonPrivate;

/*!
    \class qz::system::SystemUiButton
    \brief One button of a system dialog, prompt or toast.

    A button with an empty label is not shown. Each button carries a fresh identity (the dynamic
    property "_qz_ppsID", a UUID in brace form) for its whole life; the dialog service names the
    pressed button by it. A dialog makes itself the parent of every button added to it.
*/
class QZSYSTEM_EXPORT SystemUiButton : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString label READ label WRITE setLabel RESET resetLabel NOTIFY labelChanged FINAL)
    Q_PROPERTY(
        bool enabled READ isEnabled WRITE setEnabled RESET resetEnabled NOTIFY enabledChanged FINAL)
public:
    explicit SystemUiButton(QObject *parent = nullptr);
    explicit SystemUiButton(const QString &label, QObject *parent = nullptr);
    ~SystemUiButton() override;

    QString label() const;
    void setLabel(const QString &label);
    /*! Sets the label empty. */
    Q_INVOKABLE void resetLabel();

    bool isEnabled() const;
    void setEnabled(bool enabled);
    /*! Enables the button. */
    Q_INVOKABLE void resetEnabled();

Q_SIGNALS:
    void labelChanged(const QString &label);
    void enabledChanged(bool enabled);

private:
    std::unique_ptr<SystemUiButtonPrivate> const d;
};

} // namespace qz::system

#endif
