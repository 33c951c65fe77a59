/*
 * Not API. What a share manager holds to share: an NDEF message built from data content, or the
 * URLs of file content.
 */
#ifndef QZ_SYSTEM_NFCSHAREDCONTENT_P_H
#define QZ_SYSTEM_NFCSHAREDCONTENT_P_H

#include <qz/system/nfcsharedatacontent.h>
#include <qz/system/nfcshareenums.h>
#include <qz/system/nfcsharefilescontent.h>

#include <nfc/nfc.h>

#include <QList>
#include <QUrl>

namespace qz::system {

/*!
    Classifies and checks content as it is set. Data becomes at once the one NDEF message that is
    later pushed or written; files stay a list of URLs. Setting content of either kind first drops
    what was held, so refused content leaves nothing behind. Owns its message.
*/
class NfcSharedContent
{
public:
    NfcSharedContent();
    ~NfcSharedContent();

    NfcShareSetContentError::Type setContent(const NfcShareDataContent &content);
    NfcShareSetContentError::Type setContent(const NfcShareFilesContent &content);

    NfcShareContent::Type contentType() const;
    /*! The message to share; still owned here. Null for files and for refused data. */
    nfc_ndef_message_t *getNDEFMessage() const;
    QList<QUrl> getFileUrls() const;
    /*! Deletes the message, with its records, if there is one. */
    void cleanNDEFMessage();

    NfcSharedContent(const NfcSharedContent &) = delete;
    NfcSharedContent &operator=(const NfcSharedContent &) = delete;

private:
    NfcShareContent::Type m_contentType = NfcShareContent::Empty;
    nfc_ndef_message_t *m_message = nullptr;
    QList<QUrl> m_fileUrls;
};

} // namespace qz::system

#endif
