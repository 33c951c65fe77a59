#ifndef QZ_SYSTEM_INVOKEREQUESTTARGETFILTERSREPLY_H
#define QZ_SYSTEM_INVOKEREQUESTTARGETFILTERSREPLY_H

#include <qz/system/invokereply.h>
#include <qz/system/invoketargetfilter.h>

#include <QList>
#include <QString>

namespace qz::system {

/*!
    \class qz::system::InvokeRequestTargetFiltersReply
    \brief The answer to a request for a target's filters.

    The filters are read as the platform sends them, without checks.
*/
class QZSYSTEM_EXPORT InvokeRequestTargetFiltersReply : public InvokeReply
{
    Q_OBJECT
    Q_PROPERTY(QString targetKey READ targetKey NOTIFY finished FINAL)
    Q_PROPERTY(QList<qz::system::InvokeTargetFilter> filters READ filters NOTIFY finished FINAL)
public:
    explicit InvokeRequestTargetFiltersReply(QObject *parent = nullptr);
    ~InvokeRequestTargetFiltersReply() override;

    /*! The target the filters belong to; empty until finished. */
    QString targetKey() const;
    /*! Empty until finished. */
    QList<InvokeTargetFilter> filters() const;

private:
    Q_DISABLE_COPY(InvokeRequestTargetFiltersReply)
};

} // namespace qz::system

#endif
