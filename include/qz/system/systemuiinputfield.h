#ifndef QZ_SYSTEM_SYSTEMUIINPUTFIELD_H
#define QZ_SYSTEM_SYSTEMUIINPUTFIELD_H

#include <qz/system/systemuienums.h>

#include <QObject>
#include <QString>

#include <memory>

namespace qz::system {

class SystemUiInputFieldPrivate;

/*!
    \class qz::system::SystemUiInputField
    \brief The settings of a prompt's text field: its initial text, placeholder, keyboard and
    longest accepted text.
*/
class QZSYSTEM_EXPORT SystemUiInputField : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString defaultText READ defaultText WRITE setDefaultText RESET resetDefaultText
                   NOTIFY defaultTextChanged FINAL)
    Q_PROPERTY(QString emptyText READ emptyText WRITE setEmptyText RESET resetEmptyText NOTIFY
                   emptyTextChanged FINAL)
    Q_PROPERTY(qz::system::SystemUiInputMode::Type inputMode READ inputMode WRITE setInputMode RESET
                   resetInputMode NOTIFY inputModeChanged FINAL)
    Q_PROPERTY(int maximumLength READ maximumLength WRITE setMaximumLength RESET resetMaximumLength
                   NOTIFY maximumLengthChanged FINAL)
public:
    explicit SystemUiInputField(QObject *parent = nullptr);
    explicit SystemUiInputField(SystemUiInputMode::Type mode, QObject *parent = nullptr);
    ~SystemUiInputField() override;

    QString defaultText() const;
    void setDefaultText(const QString &text);
    Q_INVOKABLE void resetDefaultText();

    /*! The placeholder shown while the field is empty. */
    QString emptyText() const;
    void setEmptyText(const QString &text);
    Q_INVOKABLE void resetEmptyText();

    SystemUiInputMode::Type inputMode() const;
    /*! Emits inputModeChanged() with the enumeration and then with int, only on change. */
    void setInputMode(SystemUiInputMode::Type mode);
    Q_INVOKABLE void resetInputMode();

    int maximumLength() const;
    /*! A negative length is stored as 0. */
    void setMaximumLength(int length);
    Q_INVOKABLE void resetMaximumLength();

Q_SIGNALS:
    void defaultTextChanged(const QString &text);
    void emptyTextChanged(const QString &text);
    void inputModeChanged(qz::system::SystemUiInputMode::Type mode);
    void maximumLengthChanged(int length);
    void inputModeChanged(int mode);

private:
    std::unique_ptr<SystemUiInputFieldPrivate> const d;
};

} // namespace qz::system

#endif
