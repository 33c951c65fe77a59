// Setting share content: every way data content becomes one NDEF message or is refused (with the
// log lines, URLs only as their hash), file content, and that nothing of earlier or refused
// content stays behind.
#include "nfcsharedcontent_p.h"

#include "nfctestsupport.h"

#include <qz/system/NfcShareDataContent>
#include <qz/system/NfcShareFilesContent>

#include <nfc/ndef_p.h>

#include <QTest>

using namespace qz::system;
using Error = NfcShareSetContentError;
using Kind = NfcShareContent;
namespace ndef = qz::platform::ndef;

namespace {

// A text record "hello" in "en", in the NFC Forum layout: MB|ME|SR, TNF 1, type "T", status
// byte 2 (UTF-8, two-byte language code).
const QByteArray HelloText = QByteArray::fromHex("d101085402656e68656c6c6f");

const QString InvalidRequest = QStringLiteral("Invalid DataShareRequest:\n");
// SHA-1 of the URL texts, computed outside this code.
const QString LocalFileHash = QStringLiteral("b0efa82c8b14d044cb9eb428f8eba7c2a3a41b14");
const QString EmptyHash = QStringLiteral("da39a3ee5e6b4b0d3255bfef95601890afd80709");

NfcShareDataContent makeData(const QUrl &uri, const QString &mimeType, const QByteArray &data)
{
    NfcShareDataContent content;
    content.setUri(uri);
    content.setMimeType(mimeType);
    content.setData(data);
    return content;
}

QByteArray media(const QByteArray &type, const QByteArray &payload)
{
    return ndef::encode({ndef::mediaRecord(type, payload)});
}

} // namespace

class tst_NfcSharedContent : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void dataContent_data();
    void dataContent();
    void failingBuilderLeavesNothing_data();
    void failingBuilderLeavesNothing();
    void filesContent_data();
    void filesContent();

private:
    std::unique_ptr<RecordingBackend> m_backend;
    std::unique_ptr<NfcLogCapture> m_log;
};

void tst_NfcSharedContent::init()
{
    m_backend = std::make_unique<RecordingBackend>(
        std::initializer_list<RecordingBackend::Service>{RecordingBackend::Service::Nfc});
    m_log = std::make_unique<NfcLogCapture>();
}

void tst_NfcSharedContent::cleanup()
{
    m_log.reset();
    m_backend.reset();
}

void tst_NfcSharedContent::dataContent_data()
{
    QTest::addColumn<QUrl>("uri");
    QTest::addColumn<QString>("mimeType");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<Kind::Type>("kind"); // Empty: refused with InvalidShareRequest
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QStringList>("warnings"); // prefixes
    QTest::addColumn<QString>("uriHash");      // in the refusal, in place of the URI

    const QUrl none;
    const QStringList quiet;
    const QUrl localFile(QStringLiteral("file:///accounts/1000/shared/photo.jpg"));
    const QString rawNdef = QStringLiteral("application/vnd.ozk.nfc.ndef");
    QTest::newRow("text/plain in capitals")
        << none << QStringLiteral("TEXT/PLAIN") << QByteArray("hello") << Kind::Text << HelloText
        << quiet << QString();
    QTest::newRow("text cut at a zero byte")
        << none << QStringLiteral("text/plain") << QByteArray("hello\0there", 11) << Kind::Text
        << HelloText << quiet << QString();
    QTest::newRow("uri list kept whole")
        << none << QStringLiteral("text/uri-list")
        << QByteArray("https://a.example/1\r\nhttps://b.example/2") << Kind::Url
        << ndef::encode({ndef::uriRecord("https://a.example/1\r\nhttps://b.example/2")}) << quiet
        << QString();
    QTest::newRow("raw ndef, uri ignored")
        << QUrl(QStringLiteral("https://ignored.example/")) << rawNdef << HelloText << Kind::RawNdef
        << HelloText << quiet << QString();
    QTest::newRow("raw ndef type matched with case")
        << none << rawNdef.toUpper() << HelloText << Kind::Custom
        << media(rawNdef.toUpper().toUtf8(), HelloText) << quiet << QString();
    QTest::newRow("raw ndef that is no ndef")
        << none << rawNdef << QByteArray("\xd1\x01", 2) << Kind::Empty << QByteArray()
        << QStringList{QStringLiteral(
                           "create ndef message from bytes failed, ret= 2 , msg size= 2"),
                       InvalidRequest}
        << EmptyHash;
    QTest::newRow("local file refused")
        << localFile << QString() << QByteArray() << Kind::Empty << QByteArray()
        << QStringList{InvalidRequest} << LocalFileHash;
    QTest::newRow("web uri as a uri record")
        << QUrl(QStringLiteral("https://example.com/a?b=c")) << QString() << QByteArray()
        << Kind::Url << ndef::encode({ndef::uriRecord("https://example.com/a?b=c")}) << quiet
        << QString();
    QTest::newRow("web uri with an image type as a media record of the encoded url")
        << QUrl(QStringLiteral("https://example.com/p q.png")) << QStringLiteral("image/png")
        << QByteArray("ignored") << Kind::Custom
        << media("image/png", "https://example.com/p%20q.png") << quiet << QString();
    QTest::newRow("own type carries the data")
        << none << QStringLiteral("application/x-demo") << QByteArray("\x01\x02", 2) << Kind::Custom
        << media("application/x-demo", QByteArray("\x01\x02", 2)) << quiet << QString();
    QTest::newRow("nothing given")
        << none << QString() << QByteArray("data") << Kind::Empty << QByteArray()
        << QStringList{QStringLiteral("Mime type and File Url are empty\n"), InvalidRequest}
        << EmptyHash;
}

void tst_NfcSharedContent::dataContent()
{
    QFETCH(QUrl, uri);
    QFETCH(QString, mimeType);
    QFETCH(QByteArray, data);
    QFETCH(Kind::Type, kind);
    QFETCH(QByteArray, message);
    QFETCH(QStringList, warnings);
    QFETCH(QString, uriHash);

    NfcSharedContent holder;
    QCOMPARE(holder.setContent(makeData({}, QStringLiteral("text/plain"), "earlier")), Error::None);
    const QByteArray earlier = messageBytes(holder.getNDEFMessage());
    m_backend->clear();

    QCOMPARE(holder.setContent(makeData(uri, mimeType, data)),
             kind == Kind::Empty ? Error::InvalidShareRequest : Error::None);
    QCOMPARE(holder.contentType(), kind);
    QCOMPARE(messageBytes(holder.getNDEFMessage()), message);
    // The earlier message went first, with its records, whether the new content was taken or not.
    QCOMPARE(m_backend->argumentsOf("nfc_delete_ndef_message").value(0),
             (QVariantList{earlier, true}));
    QVERIFY2(m_log->warningsStartWith(warnings), qPrintable(m_log->warnings.join(u'|')));
    QCOMPARE(m_log->debugs.contains(
                 QStringLiteral("Sharing local Files is not supported in 'Data Share' mode\n")),
             uri.isLocalFile());
    if (!uriHash.isEmpty()) {
        const QString refusal = m_log->warnings.last();
        QVERIFY2(refusal.contains(uriHash) && !refusal.contains(QStringLiteral("photo")),
                 qPrintable(refusal));
        QVERIFY(refusal.contains(QStringLiteral("   NDEFMesage: empty")));
    }
}

void tst_NfcSharedContent::failingBuilderLeavesNothing_data()
{
    QTest::addColumn<QByteArray>("failing");
    QTest::addColumn<QString>("mimeType");
    QTest::addColumn<QString>("warning");

    QTest::newRow("message") << QByteArray("nfc_create_ndef_message")
                             << QStringLiteral("text/plain")
                             << QStringLiteral("NFC_ERROR_CREATE_NDEF_MSG:");
    QTest::newRow("text record") << QByteArray("nfc_create_text_record")
                                 << QStringLiteral("text/plain")
                                 << QStringLiteral("NFC_ERROR_CREATE_NDEF_RECORD:");
    QTest::newRow("media record") << QByteArray("nfc_create_ndef_record")
                                  << QStringLiteral("image/png")
                                  << QStringLiteral("NFC_ERROR_CREATE_NDEF_RECORD:");
    QTest::newRow("adding the record")
        << QByteArray("nfc_add_ndef_record") << QStringLiteral("text/plain")
        << QStringLiteral("NFC_ERROR_ADD_NDEF_RECORD:");
}

void tst_NfcSharedContent::failingBuilderLeavesNothing()
{
    QFETCH(QByteArray, failing);
    QFETCH(QString, mimeType);
    QFETCH(QString, warning);

    m_backend->failCall(failing);
    NfcSharedContent holder;
    QCOMPARE(holder.setContent(makeData({}, mimeType, "x")), Error::InvalidShareRequest);
    QCOMPARE(holder.contentType(), Kind::Empty);
    QCOMPARE(holder.getNDEFMessage(), nullptr);
    QVERIFY2(m_log->warningsStartWith({warning, InvalidRequest}),
             qPrintable(m_log->warnings.join(u'|')));
    // A message made before the failure is deleted at once (the leak checker sees the rest).
    QCOMPARE(m_backend->argumentsOf("nfc_delete_ndef_message").size(),
             failing == "nfc_create_ndef_message" ? 0 : 1);
}

void tst_NfcSharedContent::filesContent_data()
{
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<Error::Type>("result");
    QTest::addColumn<QStringList>("warnings");

    QTest::newRow("two files") << QList<QUrl>{QUrl(QStringLiteral("file:///a/1.jpg")),
                                              QUrl(QStringLiteral("file:///a/2.jpg"))}
                               << Error::None << QStringList();
    QTest::newRow("no files")
        << QList<QUrl>() << Error::InvalidShareRequest
        << QStringList{
               QStringLiteral("Attempt to set FileShare Content when request.fileUrls is empty")};
}

void tst_NfcSharedContent::filesContent()
{
    QFETCH(QList<QUrl>, urls);
    QFETCH(Error::Type, result);
    QFETCH(QStringList, warnings);

    NfcSharedContent holder;
    QCOMPARE(holder.setContent(makeData({}, QStringLiteral("text/plain"), "earlier")), Error::None);
    NfcShareFilesContent files;
    files.setFileUrls(urls);
    QCOMPARE(holder.setContent(files), result);
    QCOMPARE(holder.contentType(), Kind::File);
    QCOMPARE(holder.getFileUrls(), urls);
    QCOMPARE(holder.getNDEFMessage(), nullptr);
    QCOMPARE(m_log->warnings, warnings);

    // Data after files forgets the files.
    QCOMPARE(holder.setContent(makeData({}, QStringLiteral("text/plain"), "later")), Error::None);
    QVERIFY(holder.getFileUrls().isEmpty());
}

QTEST_GUILESS_MAIN(tst_NfcSharedContent)
#include "tst_nfcsharedcontent.moc"
