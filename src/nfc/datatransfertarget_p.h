/*
 * Not API. The NFC target of a data share (a SNEP peer or a tag) for the duration of one event.
 */
#ifndef QZ_SYSTEM_DATATRANSFERTARGET_P_H
#define QZ_SYSTEM_DATATRANSFERTARGET_P_H

#include <nfc/nfc.h>

namespace qz::system {

class DataTransferTarget
{
public:
    /*! Stores \a target (not owned); false and a warning for a null one. */
    bool setNfcTarget(nfc_target_t *target);
    nfc_target_t *getNfcTarget() const { return m_target; }

private:
    nfc_target_t *m_target = nullptr;
};

} // namespace qz::system

#endif
