// Setting share content: every way data content becomes one NDEF message or is refused (with the
// log lines, URLs only as their hash), file content, and that nothing of earlier or refused
// content stays behind.
#include "nfcsharedcontent_p.h"

#include "nfctestsupport.h"

#include <qz/system/NfcShareDataContent>
#include <qz/system/NfcShareFilesContent>

#include <QTest>

using namespace qz::system;
using Error = NfcShareSetContentError;
using Kind = NfcShareContent;

namespace {

// A text record "hello" in "en", in the NFC Forum layout: MB|ME|SR, TNF 1, type "T", status
// byte 2 (UTF-8, two-byte language code).
const QByteArray HelloText = QByteArray::fromHex("d101085402656e68656c6c6f");

const QString InvalidRequest = QStringLiteral("Invalid DataShareRequest:\n");
// SHA-1 of the URL texts, computed outside this code.
const QString LocalFileHash = QStringLiteral("b0efa82c8b14d044cb9eb428f8eba7c2a3a41b14");
const QString EmptyHash = QStringLiteral("da39a3ee5e6b4b0d3255bfef95601890afd80709");

NfcShareDataContent makeDataContent(const QUrl &uri, const QString &mimeType,
                                    const QByteArray &data)
{
    NfcShareDataContent content;
    content.setUri(uri);
    content.setMimeType(mimeType);
    content.setData(data);
    return content;
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
    void refusedContentDropsEarlierMessage();
    void failingBuilderLeavesNothing_data();
    void failingBuilderLeavesNothing();
    void filesContent_data();
    void filesContent();
    void valuesDetachOnWrite();

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
    QTest::addColumn<Error::Type>("result");
    QTest::addColumn<Kind::Type>("kind");
    QTest::addColumn<QString>("records");
    QTest::addColumn<QStringList>("warnings");
    QTest::addColumn<QString>("uriHash"); // in the refusal's warning, instead of the URI

    const QUrl none;
    const QStringList quiet;
    QTest::newRow("text/plain in capitals")
        << none << QStringLiteral("TEXT/PLAIN") << QByteArray("hello") << Error::None << Kind::Text
        << QStringLiteral("text hello (en)") << quiet << QString();
    QTest::newRow("text cut at a zero byte")
        << none << QStringLiteral("text/plain") << QByteArray("hi\0there", 8) << Error::None
        << Kind::Text << QStringLiteral("text hi (en)") << quiet << QString();
    QTest::newRow("uri list kept whole")
        << none << QStringLiteral("text/uri-list")
        << QByteArray("https://a.example/1\r\nhttps://b.example/2") << Error::None << Kind::Url
        << QStringLiteral("uri https://a.example/1\r\nhttps://b.example/2") << quiet << QString();
    QTest::newRow("raw ndef, uri ignored")
        << QUrl(QStringLiteral("https://ignored.example/"))
        << QStringLiteral("application/vnd.ozk.nfc.ndef") << HelloText << Error::None
        << Kind::RawNdef << QStringLiteral("text hello (en)") << quiet << QString();
    QTest::newRow("raw ndef type is matched with case")
        << none << QStringLiteral("APPLICATION/VND.OZK.NFC.NDEF") << HelloText << Error::None
        << Kind::Custom
        << QStringLiteral("media APPLICATION/VND.OZK.NFC.NDEF: ") + QString::fromLatin1(HelloText)
        << quiet << QString();
    QTest::newRow("raw ndef that is no ndef")
        << none << QStringLiteral("application/vnd.ozk.nfc.ndef") << QByteArray("\xd1\x01", 2)
        << Error::InvalidShareRequest << Kind::Empty << QStringLiteral("none")
        << QStringList{QStringLiteral(
                           "create ndef message from bytes failed, ret= 2 , msg size= 2"),
                       InvalidRequest}
        << EmptyHash;
    QTest::newRow("local file refused")
        << QUrl(QStringLiteral("file:///accounts/1000/shared/photo.jpg")) << QString()
        << QByteArray() << Error::InvalidShareRequest << Kind::Empty << QStringLiteral("none")
        << QStringList{InvalidRequest} << LocalFileHash;
    QTest::newRow("web uri as a uri record")
        << QUrl(QStringLiteral("https://example.com/a?b=c")) << QString() << QByteArray()
        << Error::None << Kind::Url << QStringLiteral("uri https://example.com/a?b=c") << quiet
        << QString();
    QTest::newRow("web uri with an image type as a media record of the encoded url")
        << QUrl(QStringLiteral("https://example.com/p q.png")) << QStringLiteral("image/png")
        << QByteArray("ignored") << Error::None << Kind::Custom
        << QStringLiteral("media image/png: https://example.com/p%20q.png") << quiet << QString();
    QTest::newRow("own type carries the data")
        << none << QStringLiteral("application/x-demo") << QByteArray("\x01\x02", 2) << Error::None
        << Kind::Custom << QStringLiteral("media application/x-demo: \x01\x02") << quiet
        << QString();
    QTest::newRow("nothing given")
        << none << QString() << QByteArray("data") << Error::InvalidShareRequest << Kind::Empty
        << QStringLiteral("none")
        << QStringList{QStringLiteral("Mime type and File Url are empty\n"), InvalidRequest}
        << EmptyHash;
}

void tst_NfcSharedContent::dataContent()
{
    QFETCH(QUrl, uri);
    QFETCH(QString, mimeType);
    QFETCH(QByteArray, data);
    QFETCH(Error::Type, result);
    QFETCH(Kind::Type, kind);
    QFETCH(QString, records);
    QFETCH(QStringList, warnings);
    QFETCH(QString, uriHash);

    NfcSharedContent holder;
    QCOMPARE(holder.setContent(makeDataContent(uri, mimeType, data)), result);
    QCOMPARE(holder.contentType(), kind);
    QCOMPARE(describeMessage(holder.getNDEFMessage()), records);
    QVERIFY2(m_log->warningsStartWith(warnings), qPrintable(m_log->warnings.join(u'|')));

    const bool localFile = uri.isLocalFile();
    QCOMPARE(m_log->debugs.contains(
                 QStringLiteral("Sharing local Files is not supported in 'Data Share' mode\n")),
             localFile);
    if (!uriHash.isEmpty()) {
        const QString refusal = m_log->warnings.last();
        QVERIFY2(refusal.contains(uriHash), qPrintable(refusal));
        QVERIFY(refusal.contains(QStringLiteral("   NDEFMesage: empty")));
        if (localFile)
            QVERIFY2(!refusal.contains(QStringLiteral("photo")), qPrintable(refusal));
    }
}

void tst_NfcSharedContent::refusedContentDropsEarlierMessage()
{
    NfcSharedContent holder;
    QCOMPARE(holder.setContent(makeDataContent({}, QStringLiteral("text/plain"), "first")),
             Error::None);
    const QByteArray firstBytes = messageBytes(holder.getNDEFMessage());
    QVERIFY(!firstBytes.isEmpty());
    m_backend->clear();

    QCOMPARE(holder.setContent(makeDataContent({}, QString(), {})), Error::InvalidShareRequest);
    QCOMPARE(holder.contentType(), Kind::Empty);
    QCOMPARE(holder.getNDEFMessage(), nullptr);
    // The earlier message was deleted with its records, not left to the holder's end.
    QCOMPARE(m_backend->argumentsOf("nfc_delete_ndef_message"),
             (QList<QVariantList>{{firstBytes, true}}));
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
    QCOMPARE(holder.setContent(makeDataContent({}, mimeType, "x")), Error::InvalidShareRequest);
    QCOMPARE(holder.contentType(), Kind::Empty);
    QCOMPARE(holder.getNDEFMessage(), nullptr);
    QVERIFY2(m_log->warningsStartWith({warning, InvalidRequest}),
             qPrintable(m_log->warnings.join(u'|')));
    // A message made before the failure is deleted at once (the leak checker sees the rest).
    const bool messageMade = failing != "nfc_create_ndef_message";
    QCOMPARE(m_backend->argumentsOf("nfc_delete_ndef_message").size(), messageMade ? 1 : 0);
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
    QCOMPARE(holder.setContent(makeDataContent({}, QStringLiteral("text/plain"), "earlier")),
             Error::None);
    NfcShareFilesContent files;
    files.setFileUrls(urls);
    QCOMPARE(holder.setContent(files), result);
    QCOMPARE(holder.contentType(), Kind::File);
    QCOMPARE(holder.getFileUrls(), urls);
    QCOMPARE(holder.getNDEFMessage(), nullptr);
    QCOMPARE(m_log->warnings, warnings);

    // Data after files forgets the files.
    QCOMPARE(holder.setContent(makeDataContent({}, QStringLiteral("text/plain"), "later")),
             Error::None);
    QVERIFY(holder.getFileUrls().isEmpty());
}

void tst_NfcSharedContent::valuesDetachOnWrite()
{
    NfcShareDataContent data = makeDataContent(QUrl(QStringLiteral("https://a.example")),
                                               QStringLiteral("text/plain"), "a");
    NfcShareDataContent dataCopy = data;
    dataCopy.setData("b");
    dataCopy.setMimeType(QStringLiteral("image/png"));
    dataCopy.setUri(QUrl(QStringLiteral("https://b.example")));
    QCOMPARE(data.data(), QByteArray("a"));
    QCOMPARE(data.mimeType(), QStringLiteral("text/plain"));
    QCOMPARE(data.uri(), QUrl(QStringLiteral("https://a.example")));

    NfcShareFilesContent files;
    files.setFileUrls({QUrl(QStringLiteral("file:///x"))});
    NfcShareFilesContent filesCopy = files;
    filesCopy.setFileUrls({});
    QCOMPARE(files.fileUrls().size(), 1);
}

QTEST_GUILESS_MAIN(tst_NfcSharedContent)
#include "tst_nfcsharedcontent.moc"
