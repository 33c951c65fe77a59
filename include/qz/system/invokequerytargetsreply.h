#ifndef QZ_SYSTEM_INVOKEQUERYTARGETSREPLY_H
#define QZ_SYSTEM_INVOKEQUERYTARGETSREPLY_H

#include <qz/system/invokeaction.h>
#include <qz/system/invokereply.h>

#include <QList>

namespace qz::system {

/*!
    \class qz::system::InvokeQueryTargetsReply
    \brief The answer to a target query: the actions that match, each with its targets.
*/
class QZSYSTEM_EXPORT InvokeQueryTargetsReply : public InvokeReply
{
    Q_OBJECT
    Q_PROPERTY(QList<qz::system::InvokeAction> actions READ actions NOTIFY finished FINAL)
public:
    explicit InvokeQueryTargetsReply(QObject *parent = nullptr);
    ~InvokeQueryTargetsReply() override;

    /*! In the platform's order; empty until finished. */
    QList<InvokeAction> actions() const;

private:
    Q_DISABLE_COPY(InvokeQueryTargetsReply)
};

} // namespace qz::system

#endif
