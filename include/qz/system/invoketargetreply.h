#ifndef QZ_SYSTEM_INVOKETARGETREPLY_H
#define QZ_SYSTEM_INVOKETARGETREPLY_H

#include <qz/system/invokereply.h>
#include <qz/system/invoketarget.h>

#include <QString>

namespace qz::system {

class InvokeTargetReplyPrivate;

/*!
    \class qz::system::InvokeTargetReply
    \brief The answer to an invocation: its error, and the target the platform chose.
*/
class QZSYSTEM_EXPORT InvokeTargetReply : public InvokeReply
{
    Q_OBJECT
    Q_PROPERTY(QString target READ target NOTIFY finished FINAL)
    Q_PROPERTY(qz::system::InvokeTarget::Type targetType READ targetType NOTIFY finished FINAL)
public:
    explicit InvokeTargetReply(QObject *parent = nullptr);
    ~InvokeTargetReply() override;

    /*! The key of the target that handled the invocation; empty when the answer named none. */
    QString target() const;
    InvokeTarget::Type targetType() const;

private:
    Q_DISABLE_COPY(InvokeTargetReply)
};

} // namespace qz::system

#endif
