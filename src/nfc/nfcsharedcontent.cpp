#include "nfcsharedcontent_p.h"

#include "nfcconnector_p.h"
#include "nfclogging_p.h"

namespace qz::system {

namespace {

const QString s_textLanguage = QStringLiteral("en");

// Text payloads end at their first zero byte, as a C string would.
QString textUpToZero(const QByteArray &data)
{
    const qsizetype zero = data.indexOf('\0');
    return QString::fromUtf8(zero < 0 ? data : data.left(zero));
}

bool isRawNdef(const QString &mimeType)
{
    return mimeType.startsWith(NfcConnector::RECORD_NDEF, Qt::CaseSensitive);
}

} // namespace

NfcSharedContent::NfcSharedContent() = default;

NfcSharedContent::~NfcSharedContent()
{
    cleanNDEFMessage();
}

NfcShareSetContentError::Type NfcSharedContent::setContent(const NfcShareDataContent &content)
{
    m_fileUrls.clear();
    m_contentType = NfcShareContent::Empty;
    cleanNDEFMessage();

    const QUrl uri = content.uri();
    const QString mimeType = content.mimeType();
    const QByteArray data = content.data();

    // The type is taken only from a builder that succeeded.
    auto build = [this](bool built, NfcShareContent::Type type) {
        if (built)
            m_contentType = type;
    };

    if (!uri.isEmpty()) {
        if (!mimeType.isEmpty()) {
            if (isRawNdef(mimeType)) {
                build(NfcConnector::createNDEFMessage(data, &m_message), NfcShareContent::RawNdef);
            } else {
                build(NfcConnector::createNDEFMessage(NFC_TNF_MEDIA, mimeType, uri.toEncoded(),
                                                      &m_message),
                      NfcShareContent::Custom);
            }
        } else if (!uri.isLocalFile()) {
            build(NfcConnector::createUriNDEFMessage(uri.toString(), &m_message),
                  NfcShareContent::Url);
        } else {
            qCDebug(lcNfc) << "Sharing local Files is not supported in 'Data Share' mode\n";
        }
    } else if (!mimeType.isEmpty()) {
        if (mimeType.compare(NfcConnector::RECORD_MEDIA_TEXT_PLAIN, Qt::CaseInsensitive) == 0) {
            build(
                NfcConnector::createTextNDEFMessage(textUpToZero(data), s_textLanguage, &m_message),
                NfcShareContent::Text);
        } else if (mimeType.compare(NfcConnector::RECORD_MEDIA_TEXT_URI_LIST,
                                    Qt::CaseInsensitive) == 0) {
            // The whole list is one URI record: it is not split into lines.
            build(NfcConnector::createUriNDEFMessage(textUpToZero(data), &m_message),
                  NfcShareContent::Url);
        } else if (isRawNdef(mimeType)) {
            build(NfcConnector::createNDEFMessage(data, &m_message), NfcShareContent::RawNdef);
        } else {
            build(NfcConnector::createNDEFMessage(NFC_TNF_MEDIA, mimeType, data, &m_message),
                  NfcShareContent::Custom);
        }
    } else {
        qCWarning(lcNfc) << "Mime type and File Url are empty\n";
    }

    if (m_contentType == NfcShareContent::Empty || !m_message) {
        qCWarning(lcNfc) << "Invalid DataShareRequest:\n"
                         << "     File URI:" << nfcLogHash(uri) << "\n"
                         << "     mimeType:" << mimeType << "\n"
                         << "     Datasize:" << data.size() << "\n"
                         << "  ContentType:" << int(m_contentType) << "\n"
                         << "   NDEFMesage:" << (m_message ? "created" : "empty");
        // Refused content shares nothing: neither a half-built message nor a type.
        m_contentType = NfcShareContent::Empty;
        cleanNDEFMessage();
        return NfcShareSetContentError::InvalidShareRequest;
    }
    return NfcShareSetContentError::None;
}

NfcShareSetContentError::Type NfcSharedContent::setContent(const NfcShareFilesContent &content)
{
    cleanNDEFMessage();
    m_fileUrls = content.fileUrls();
    m_contentType = NfcShareContent::File;
    if (m_fileUrls.isEmpty()) {
        qCWarning(lcNfc) << "Attempt to set FileShare Content when request.fileUrls is empty";
        return NfcShareSetContentError::InvalidShareRequest;
    }
    return NfcShareSetContentError::None;
}

NfcShareContent::Type NfcSharedContent::contentType() const
{
    return m_contentType;
}

nfc_ndef_message_t *NfcSharedContent::getNDEFMessage() const
{
    return m_message;
}

QList<QUrl> NfcSharedContent::getFileUrls() const
{
    return m_fileUrls;
}

void NfcSharedContent::cleanNDEFMessage()
{
    if (m_message) {
        nfc_delete_ndef_message(m_message, true);
        m_message = nullptr;
    }
}

} // namespace qz::system
