#include <pps/pps.h>
#include <qz/PpsObject>

#include <QTest>

class tst_LibPpsCodec : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void encodesCommandWithNestedObject();
    void encoderRefusesBadNesting();
    void encodesArraysAndJsonDocuments();
    void decodesReplyObject();
    void decoderWalksNestedJson();
    void decoderReportsMissingAndMistyped();
    void decoderRejectsMalformedText();
};

void tst_LibPpsCodec::encodesCommandWithNestedObject()
{
    pps_encoder_t encoder;
    pps_encoder_initialize(&encoder, false);
    QCOMPARE(pps_encoder_add_string(&encoder, "msg", "initiate_pairing"), PPS_ENCODER_OK);
    QCOMPARE(pps_encoder_add_string(&encoder, "id", "nfcshare"), PPS_ENCODER_OK);
    QCOMPARE(pps_encoder_start_object(&encoder, "dat"), PPS_ENCODER_OK);
    QVERIFY(!pps_encoder_buffer(&encoder)); // not finished while the object is open
    pps_encoder_add_string(&encoder, "addr", "00:11:22:33:44:55");
    pps_encoder_add_int(&encoder, "timeout", 20000);
    pps_encoder_add_int(&encoder, "bonding", 0);
    QCOMPARE(pps_encoder_end_object(&encoder), PPS_ENCODER_OK);

    const QByteArray text(pps_encoder_buffer(&encoder), pps_encoder_length(&encoder));
    QCOMPARE(
        text,
        QByteArray("msg::initiate_pairing\nid::nfcshare\n"
                   "dat:json:{\"addr\":\"00:11:22:33:44:55\",\"timeout\":20000,\"bonding\":0}\n"));
    // The Qt codec reads what the C codec writes.
    const QVariantMap map = qz::PpsObject::decode(text);
    QCOMPARE(map.value(QStringLiteral("dat")).toMap().value(QStringLiteral("timeout")).toInt(),
             20000);
    pps_encoder_cleanup(&encoder);
}

void tst_LibPpsCodec::encoderRefusesBadNesting()
{
    pps_encoder_t encoder;
    pps_encoder_initialize(&encoder, false);
    QCOMPARE(pps_encoder_end_object(&encoder), PPS_ENCODER_BAD_NESTING);
    QVERIFY(!pps_encoder_buffer(&encoder));
    QCOMPARE(pps_encoder_length(&encoder), 0);
    pps_encoder_reset(&encoder);
    pps_encoder_start_array(&encoder, "a");
    QCOMPARE(pps_encoder_end_object(&encoder), PPS_ENCODER_BAD_NESTING);
    pps_encoder_reset(&encoder);
    QCOMPARE(pps_encoder_add_string(&encoder, "bad:name", "x"), PPS_ENCODER_INVALID_VALUE);
    QVERIFY(!pps_encoder_buffer(&encoder));
    pps_encoder_cleanup(&encoder);
    QCOMPARE(pps_encoder_add_int(&encoder, "x", 1), PPS_ENCODER_NOT_INITIALIZED);
}

void tst_LibPpsCodec::encodesArraysAndJsonDocuments()
{
    pps_encoder_t encoder;
    pps_encoder_initialize(&encoder, false);
    pps_encoder_start_array(&encoder, "list");
    pps_encoder_add_int(&encoder, nullptr, 1);
    pps_encoder_start_object(&encoder, nullptr);
    pps_encoder_add_string(&encoder, "k", "line\nbreak");
    pps_encoder_end_object(&encoder);
    pps_encoder_end_array(&encoder);
    QCOMPARE(QByteArray(pps_encoder_buffer(&encoder)),
             QByteArray("list:json:[1,{\"k\":\"line\\nbreak\"}]\n"));
    pps_encoder_cleanup(&encoder);

    pps_encoder_initialize(&encoder, true);
    pps_encoder_add_string(&encoder, "a", "b");
    pps_encoder_add_bool(&encoder, "t", true);
    QCOMPARE(QByteArray(pps_encoder_buffer(&encoder)), QByteArray("{\"a\":\"b\",\"t\":true}"));
    pps_encoder_cleanup(&encoder);
}

void tst_LibPpsCodec::decodesReplyObject()
{
    pps_decoder_t decoder;
    QCOMPARE(pps_decoder_initialize(&decoder, nullptr), PPS_DECODER_OK);
    QCOMPARE(
        pps_decoder_parse_pps_str(
            &decoder, "@control\nres::initiate_pairing\nid::nfcshare\nerr:n:16\nerrstr::busy\n"),
        PPS_DECODER_OK);
    QCOMPARE(pps_decoder_push(&decoder, nullptr), PPS_DECODER_OK);
    const char *text = nullptr;
    QCOMPARE(pps_decoder_get_string(&decoder, "res", &text), PPS_DECODER_OK);
    QCOMPARE(QByteArray(text), QByteArray("initiate_pairing"));
    int err = 0;
    QCOMPARE(pps_decoder_get_int(&decoder, "err", &err), PPS_DECODER_OK);
    QCOMPARE(err, 16);
    const char *errstr = nullptr;
    QCOMPARE(pps_decoder_get_string(&decoder, "errstr", &errstr), PPS_DECODER_OK);
    // Earlier strings stay valid after later look-ups.
    QCOMPARE(QByteArray(text), QByteArray("initiate_pairing"));
    QCOMPARE(QByteArray(errstr), QByteArray("busy"));
    QCOMPARE(pps_decoder_pop(&decoder), PPS_DECODER_OK);
    QCOMPARE(pps_decoder_pop(&decoder), PPS_DECODER_BAD_NESTING);
    QCOMPARE(pps_decoder_push(&decoder, "control"), PPS_DECODER_OK);
    pps_decoder_cleanup(&decoder);
}

void tst_LibPpsCodec::decoderWalksNestedJson()
{
    pps_decoder_t decoder;
    QCOMPARE(
        pps_decoder_initialize(&decoder, "dat:json:{\"peer\":{\"name\":\"x\"},\"ids\":[3,4]}\n"),
        PPS_DECODER_OK);
    QCOMPARE(pps_decoder_push(&decoder, "dat"), PPS_DECODER_OK);
    QCOMPARE(pps_decoder_push(&decoder, "peer"), PPS_DECODER_OK);
    const char *name = nullptr;
    QCOMPARE(pps_decoder_get_string(&decoder, "name", &name), PPS_DECODER_OK);
    QCOMPARE(QByteArray(name), QByteArray("x"));
    pps_decoder_pop(&decoder);
    QCOMPARE(pps_decoder_push(&decoder, "ids"), PPS_DECODER_OK);
    int a = 0, b = 0, c = 0;
    QCOMPARE(pps_decoder_get_int(&decoder, nullptr, &a), PPS_DECODER_OK);
    QCOMPARE(pps_decoder_get_int(&decoder, nullptr, &b), PPS_DECODER_OK);
    QCOMPARE(pps_decoder_get_int(&decoder, nullptr, &c), PPS_DECODER_NO_ELEM);
    QCOMPARE(a + 10 * b, 43);
    pps_decoder_cleanup(&decoder);
}

void tst_LibPpsCodec::decoderReportsMissingAndMistyped()
{
    pps_decoder_t decoder;
    pps_decoder_initialize(&decoder, "s::text\nn:n:5000000000\nd:json:{}\n-gone\n");
    int n = 0;
    const char *s = nullptr;
    QCOMPARE(pps_decoder_get_int(&decoder, "s", &n), PPS_DECODER_BAD_TYPE);
    QCOMPARE(pps_decoder_get_int(&decoder, "n", &n), PPS_DECODER_BAD_TYPE); // does not fit an int
    QCOMPARE(pps_decoder_get_string(&decoder, "missing", &s), PPS_DECODER_NO_ELEM);
    QCOMPARE(pps_decoder_get_string(&decoder, "gone", &s), PPS_DECODER_NO_ELEM);
    QCOMPARE(pps_decoder_push(&decoder, "s"), PPS_DECODER_BAD_TYPE);
    QCOMPARE(pps_decoder_push(&decoder, "nothing"), PPS_DECODER_NO_ELEM);
    pps_decoder_cleanup(&decoder);
    QCOMPARE(pps_decoder_get_int(&decoder, "n", &n), PPS_DECODER_NOT_INITIALIZED);
}

void tst_LibPpsCodec::decoderRejectsMalformedText()
{
    pps_decoder_t decoder;
    QCOMPARE(pps_decoder_initialize(&decoder, "no colons here\n"), PPS_DECODER_PARSE_ERROR);
    const char *s = nullptr;
    QCOMPARE(pps_decoder_get_string(&decoder, "x", &s), PPS_DECODER_NO_ELEM);
    QCOMPARE(pps_decoder_push(&decoder, nullptr), PPS_DECODER_NOT_INITIALIZED);
    pps_decoder_cleanup(&decoder);
}

QTEST_GUILESS_MAIN(tst_LibPpsCodec)
#include "tst_libppscodec.moc"
