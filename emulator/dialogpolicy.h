// How the dialog service decides what a dialog's person does: the service tells the policy what
// comes up, changes and goes away; the policy answers when it sees fit.
#ifndef QZDEVICE_DIALOGPOLICY_H
#define QZDEVICE_DIALOGPOLICY_H

#include "dialog.h"
#include "dialoganswer.h"

#include <QObject>

class DialogPolicy : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    /*! \a dialog came up. */
    virtual void present(const Dialog &dialog) = 0;
    /*! A dialog that is up was changed by an "update"; \a dialog holds the new description. */
    virtual void revise(const Dialog &dialog) = 0;
    /*! The dialog went away unanswered (cancelled, or its client left): forget it. */
    virtual void withdraw(const DialogKey &key) = 0;

Q_SIGNALS:
    /*! Emitted at most once per presented dialog. */
    void answered(const DialogKey &key, const DialogAnswer &answer);
};

#endif
