// The navigator's targets: declarations read from a folder ("*.target" files, see
// targetdeclaration.h), with the filters that targets have since replaced kept under the data
// folder ("navigator-filters.json", written atomically), so they survive a restart.
#ifndef QZDEVICE_TARGETREGISTRY_H
#define QZDEVICE_TARGETREGISTRY_H

#include "targetdeclaration.h"

#include <QMap>
#include <QStringList>

class TargetRegistry
{
public:
    /*!
        Reads every declaration in \a targetsDir (none when empty) and the replaced filters
        under \a dataDir. Returns what was refused, one text per file or entry ("file:line:
        what"); whatever is refused is skipped whole.
    */
    QStringList load(const QString &targetsDir, const QString &dataDir);
    /*! Declarations qzdevice itself serves (the phone application); load() keeps them and
        refuses a file that declares one of their keys. */
    void setBuiltIns(const QList<TargetDeclaration> &declarations) { m_builtIns = declarations; }

    const TargetDeclaration *find(const QString &key) const;
    /*! Every target, by key. */
    QList<const TargetDeclaration *> targets() const;

    /*! Replaces the filters of \a key and writes them back; false, with \a error, when the
        target is unknown or they cannot be written (nothing changes then). */
    bool setFilters(const QString &key, const QList<TargetFilter> &filters, QString *error);

    QString filtersFile() const;

private:
    bool save(const QMap<QString, QStringList> &replaced, QString *error) const;

    QList<TargetDeclaration> m_builtIns;
    QMap<QString, TargetDeclaration> m_targets;
    QMap<QString, QStringList> m_replaced;
    QString m_dataDir;
};

#endif
