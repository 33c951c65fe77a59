#include "datatransfertarget_p.h"

#include "nfclogging_p.h"

namespace qz::system {

bool DataTransferTarget::setNfcTarget(nfc_target_t *target)
{
    if (!target) {
        qCWarning(lcNfc) << "Target is null in 'DataTransferTarget::setRemoteTarget'";
        return false;
    }
    m_target = target;
    qCDebug(lcNfc) << "setRemoteTarget for Data";
    return true;
}

} // namespace qz::system
