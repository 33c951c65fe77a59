#include <qz/system/nfcsharefilescontent.h>

namespace qz::system {

class NfcShareFileRequestPrivate : public QSharedData
{
public:
    QList<QUrl> fileUrls;
};

NfcShareFilesContent::NfcShareFilesContent()
    : d(new NfcShareFileRequestPrivate)
{}

NfcShareFilesContent::NfcShareFilesContent(const NfcShareFilesContent &other) = default;
NfcShareFilesContent &NfcShareFilesContent::operator=(const NfcShareFilesContent &other) = default;
NfcShareFilesContent::~NfcShareFilesContent() = default;

QList<QUrl> NfcShareFilesContent::fileUrls() const
{
    return d->fileUrls;
}

void NfcShareFilesContent::setFileUrls(const QList<QUrl> &fileUrls)
{
    d->fileUrls = fileUrls;
}

} // namespace qz::system
