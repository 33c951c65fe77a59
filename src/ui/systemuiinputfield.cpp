#include <qz/system/systemuiinputfield.h>

namespace qz::system {

class SystemUiInputFieldPrivate
{
public:
    QString defaultText;
    QString emptyText;
    SystemUiInputMode::Type inputMode = SystemUiInputMode::Default;
    int maximumLength = 0;
};

SystemUiInputField::SystemUiInputField(QObject *parent)
    : SystemUiInputField(SystemUiInputMode::Default, parent)
{}

SystemUiInputField::SystemUiInputField(SystemUiInputMode::Type mode, QObject *parent)
    : QObject(parent)
    , d(std::make_unique<SystemUiInputFieldPrivate>())
{
    d->inputMode = mode;
}

SystemUiInputField::~SystemUiInputField() = default;

QString SystemUiInputField::defaultText() const
{
    return d->defaultText;
}

void SystemUiInputField::setDefaultText(const QString &text)
{
    if (d->defaultText == text)
        return;
    d->defaultText = text;
    Q_EMIT defaultTextChanged(text);
}

void SystemUiInputField::resetDefaultText()
{
    setDefaultText(QString());
}

QString SystemUiInputField::emptyText() const
{
    return d->emptyText;
}

void SystemUiInputField::setEmptyText(const QString &text)
{
    if (d->emptyText == text)
        return;
    d->emptyText = text;
    Q_EMIT emptyTextChanged(text);
}

void SystemUiInputField::resetEmptyText()
{
    setEmptyText(QString());
}

SystemUiInputMode::Type SystemUiInputField::inputMode() const
{
    return d->inputMode;
}

void SystemUiInputField::setInputMode(SystemUiInputMode::Type mode)
{
    if (d->inputMode == mode)
        return;
    d->inputMode = mode;
    Q_EMIT inputModeChanged(mode);
    Q_EMIT inputModeChanged(int(mode));
}

void SystemUiInputField::resetInputMode()
{
    setInputMode(SystemUiInputMode::Default);
}

int SystemUiInputField::maximumLength() const
{
    return d->maximumLength;
}

void SystemUiInputField::setMaximumLength(int length)
{
    length = qMax(0, length);
    if (d->maximumLength == length)
        return;
    d->maximumLength = length;
    Q_EMIT maximumLengthChanged(length);
}

void SystemUiInputField::resetMaximumLength()
{
    setMaximumLength(0);
}

} // namespace qz::system
