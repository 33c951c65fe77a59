#ifndef QZ_SYSTEM_INVOKEUPDATETARGETFILTERSREQUEST_H
#define QZ_SYSTEM_INVOKEUPDATETARGETFILTERSREQUEST_H

#include <qz/system/invoketargetfilter.h>

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

namespace qz::system {

class InvokeUpdateTargetFiltersRequestPrivate;

/*!
    \class qz::system::InvokeUpdateTargetFiltersRequest
    \brief Replaces the filters of one of the application's own targets.

    Sent with InvokeManager::updateTargetFilters(); the filters are sent as they are, valid or not.
    Copies are independent.
*/
class QZSYSTEM_EXPORT InvokeUpdateTargetFiltersRequest
{
    Q_GADGET
    Q_PROPERTY(QString target READ target WRITE setTarget FINAL)
    Q_PROPERTY(
        QList<qz::system::InvokeTargetFilter> filters READ filters WRITE setTargetFilters FINAL)
public:
    InvokeUpdateTargetFiltersRequest();
    InvokeUpdateTargetFiltersRequest(const InvokeUpdateTargetFiltersRequest &other);
    InvokeUpdateTargetFiltersRequest &operator=(const InvokeUpdateTargetFiltersRequest &other);
    ~InvokeUpdateTargetFiltersRequest();

    /*! The key of the target whose filters are replaced. */
    QString target() const;
    void setTarget(const QString &target);

    QList<InvokeTargetFilter> filters() const;
    /*! Stores \a filters in every case; true when each of them is valid. */
    bool setTargetFilters(const QList<InvokeTargetFilter> &filters);

private:
    std::unique_ptr<InvokeUpdateTargetFiltersRequestPrivate> d;
};

} // namespace qz::system

Q_DECLARE_METATYPE(qz::system::InvokeUpdateTargetFiltersRequest)

#endif
