#include <qz/system/nfcsharedatacontent.h>

namespace qz::system {

class NfcShareDataRequestPrivate : public QSharedData
{
public:
    QByteArray data;
    QString mimeType;
    QUrl uri;
};

NfcShareDataContent::NfcShareDataContent()
    : d(new NfcShareDataRequestPrivate)
{}

NfcShareDataContent::NfcShareDataContent(const NfcShareDataContent &other) = default;
NfcShareDataContent &NfcShareDataContent::operator=(const NfcShareDataContent &other) = default;
NfcShareDataContent::~NfcShareDataContent() = default;

QString NfcShareDataContent::mimeType() const
{
    return d->mimeType;
}

void NfcShareDataContent::setMimeType(const QString &mimeType)
{
    d->mimeType = mimeType;
}

QByteArray NfcShareDataContent::data() const
{
    return d->data;
}

void NfcShareDataContent::setData(const QByteArray &data)
{
    d->data = data;
}

QUrl NfcShareDataContent::uri() const
{
    return d->uri;
}

void NfcShareDataContent::setUri(const QUrl &uri)
{
    d->uri = uri;
}

} // namespace qz::system
