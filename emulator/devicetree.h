// The device's own file tree ("/accounts/1000/..."), kept under a folder of this machine (the
// device root) so that everything runs unprivileged. qzdevice makes the folders the transfer
// services and the applications expect to exist:
//
//     accounts/1000/shared/                               0775  files every service may read
//     accounts/1000/sharewith/                            0711  nobody lists other transfers
//     accounts/1000/sharewith/{bluetooth,wifidirect}/     0711
//         <install id>/                                   0770  one per application: the
//                                                               per-transaction folders of its
//                                                               links go below
//
// The transfer services read files only under the shared roots and in transaction folders of the
// share-with areas (paths relative to the root, without a leading "/").
#ifndef QZDEVICE_DEVICETREE_H
#define QZDEVICE_DEVICETREE_H

#include <QString>
#include <QStringList>

namespace DeviceTree {

/*! The prefixes whose files the transfer services read where they lie. */
const QStringList &sharedRoots();
/*! The share-with areas of the perimeters, each ending in "/". */
const QStringList &shareWithAreas();
/*! The transports that have a folder in each share-with area. */
const QStringList &transports();

/*! Whether \a id can name an application's folder: one plain path component. */
bool isValidInstallId(const QString &id);

/*! Creates the folders above under \a root, with an application folder for each of
    \a installIds; folders that exist are left as they are. False, with \a error, when one cannot
    be made. */
bool prepare(const QString &root, const QStringList &installIds, QString *error);

} // namespace DeviceTree

#endif
