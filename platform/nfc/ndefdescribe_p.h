/*
 * Not API. NDEF messages described for people (the emulator's log, the command-line tools):
 * "Text 'hello' (en)", "URI https://example.com", "media image/png, 1234 bytes". Texts taken
 * from the message are shortened and stripped of control characters, so that a peer's bytes
 * cannot drive the terminal they are printed on.
 */
#ifndef NFC_NDEFDESCRIBE_P_H
#define NFC_NDEFDESCRIBE_P_H

#include "ndef_p.h"

namespace qz::platform::ndef {

QZPLATFORM_EXPORT QString describe(const Record &record);
/*! One record as describe(Record); several as "3 records: first; second; third". */
QZPLATFORM_EXPORT QString describe(const Message &message);
/*! The message \a bytes hold, or "not an NDEF message: " and why. */
QZPLATFORM_EXPORT QString describeBytes(const QByteArray &bytes);

} // namespace qz::platform::ndef

#endif
