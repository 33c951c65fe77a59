#ifndef QZ_SYSTEM_INVOKESOURCE_H
#define QZ_SYSTEM_INVOKESOURCE_H

#include <qz/system/qzsystem_export.h>

#include <QMetaType>
#include <QString>

#include <memory>

namespace qz::system {

class InvokeSourcePrivate;

/*!
    \class qz::system::InvokeSource
    \brief Who sent a received invocation.

    Filled by InvokeManager on the requests it receives. Copies are independent.
*/
class QZSYSTEM_EXPORT InvokeSource
{
public:
    InvokeSource();
    InvokeSource(const InvokeSource &other);
    InvokeSource &operator=(const InvokeSource &other);
    ~InvokeSource();

    /*! The sender's process group as the platform reports it; 0 when unknown. */
    int groupId() const;
    /*! The sender's installation identifier. */
    QString installId() const;

private:
    friend class InvokeSourcePrivate;
    std::unique_ptr<InvokeSourcePrivate> d;
};

} // namespace qz::system

Q_DECLARE_METATYPE(qz::system::InvokeSource)

#endif
