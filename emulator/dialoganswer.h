// What the person (or the policy standing in for one) did with a dialog, and its wire form.
#ifndef QZDEVICE_DIALOGANSWER_H
#define QZDEVICE_DIALOGANSWER_H

#include "dialog.h"

#include <QList>
#include <QString>
#include <QVariantMap>

/*! The values the policies fall back on where the dialog itself suggests nothing. */
struct DialogDefaults
{
    int delayMs = 500;
    QString username = QStringLiteral("user");
    QString password = QStringLiteral("secret");
};

struct DialogAnswer
{
    /*! Index into Dialog::buttons(); -1 names no button (a toast that timed out). */
    int buttonIndex = -1;
    bool checkboxChecked = false;
    QString text;
    QString username;
    QString password;
    QList<int> selectedRows;

    /*! What a person accepting every suggestion would answer: the default button (a toast times
        out), the check box as sent, the prompt's default text, the configured user, the rows
        that came selected. */
    static DialogAnswer suggested(const Dialog &dialog, const DialogDefaults &defaults);

    /*! The "resp_obj" map: "selectedIndex" and "responseBtnContext" always, "checkboxChecked"
        when a check box was shown, and the kind's own keys. */
    QVariantMap toResponse(const Dialog &dialog) const;
    /*! One line for the log; never shows the password. */
    QString describe(const Dialog &dialog) const;
};

#endif
