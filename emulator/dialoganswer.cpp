#include "dialoganswer.h"

DialogAnswer DialogAnswer::suggested(const Dialog &dialog, const DialogDefaults &defaults)
{
    DialogAnswer answer;
    const int index = dialog.defaultButtonIndex();
    if (!dialog.isToast() && index >= 0 && dialog.buttons().at(index).enabled)
        answer.buttonIndex = index;
    answer.checkboxChecked = dialog.isCheckboxChecked();
    answer.text = dialog.text(QStringLiteral("inputField"));
    answer.username = defaults.username;
    answer.password = defaults.password;
    const QList<DialogRow> &rows = dialog.rows();
    for (int i = 0; i < rows.size(); ++i) {
        if (rows.at(i).selected && rows.at(i).enabled)
            answer.selectedRows.append(i);
    }
    if (!dialog.isMultiSelect() && answer.selectedRows.size() > 1)
        answer.selectedRows.resize(1);
    return answer;
}

QVariantMap DialogAnswer::toResponse(const Dialog &dialog) const
{
    const QList<DialogButton> &buttons = dialog.buttons();
    const bool pressed = buttonIndex >= 0 && buttonIndex < buttons.size();
    QVariantMap response{
        {QStringLiteral("selectedIndex"), pressed ? buttonIndex : -1},
        {QStringLiteral("responseBtnContext"),
         pressed ? buttons.at(buttonIndex).context : QString()},
    };
    if (dialog.hasCheckbox())
        response.insert(QStringLiteral("checkboxChecked"), checkboxChecked);
    switch (dialog.kind()) {
    case Dialog::Kind::Prompt:
        response.insert(QStringLiteral("inputField"), text);
        break;
    case Dialog::Kind::Login:
        response.insert(QStringLiteral("username"), username);
        response.insert(QStringLiteral("password"), password);
        break;
    case Dialog::Kind::List: {
        QVariantList indices;
        for (int row : selectedRows)
            indices.append(row);
        response.insert(QStringLiteral("selectedIndices"), indices);
        break;
    }
    default:
        break;
    }
    return response;
}

QString DialogAnswer::describe(const Dialog &dialog) const
{
    const QList<DialogButton> &buttons = dialog.buttons();
    QStringList parts;
    if (buttonIndex >= 0 && buttonIndex < buttons.size())
        parts << QStringLiteral("button \"%1\" (%2)")
                     .arg(buttons.at(buttonIndex).label)
                     .arg(buttonIndex);
    else
        parts << (dialog.isToast() ? QStringLiteral("timed out") : QStringLiteral("no button"));
    if (dialog.hasCheckbox())
        parts << (checkboxChecked ? QStringLiteral("checkbox checked")
                                  : QStringLiteral("checkbox unchecked"));
    switch (dialog.kind()) {
    case Dialog::Kind::Prompt:
        parts << QStringLiteral("text \"%1\"").arg(text);
        break;
    case Dialog::Kind::Login:
        parts << QStringLiteral("user \"%1\" with a password of %2 characters")
                     .arg(username)
                     .arg(password.size());
        break;
    case Dialog::Kind::List: {
        QStringList rows;
        for (int row : selectedRows)
            rows << QString::number(row);
        parts << QStringLiteral("rows [%1]").arg(rows.join(QLatin1String(", ")));
        break;
    }
    default:
        break;
    }
    return parts.join(QLatin1String(", "));
}
