#include <qz/PpsObject>

#include <QJsonDocument>
#include <QTest>

using qz::PpsAttributeFlag;
using qz::PpsObject;

class tst_PpsCodec : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void literalMessageMatchesEncodedMap();
    void nestedMapIsCompactJson();
    void stringEncodings_data();
    void stringEncodings();
    void objectBlocksKeepTopLevelKeysApart();
    void flags();
    void repeatedBlocksMerge();
    void malformedInput_data();
    void malformedInput();
    void unencodable_data();
    void unencodable();
    void jsonMatchesQJsonDocument_data();
    void jsonMatchesQJsonDocument();
    void loneSurrogateBecomesReplacementCharacter();
    void jsonDepthLimit_data();
    void jsonDepthLimit();
};

void tst_PpsCodec::roundTrip_data()
{
    QTest::addColumn<QVariantMap>("map");
    const QVariantMap nested{
        {QStringLiteral("a"), 1},
        {QStringLiteral("b"), QVariantList{true, false, QString(), 2.5}},
        {QStringLiteral("c"), QVariantMap{{QStringLiteral("deep"), QStringLiteral("x")}}}};
    QTest::newRow("empty") << QVariantMap();
    QTest::newRow("string") << QVariantMap{{QStringLiteral("s"), QStringLiteral("hello world")}};
    QTest::newRow("empty string") << QVariantMap{{QStringLiteral("s"), QString()}};
    QTest::newRow("string with colons")
        << QVariantMap{{QStringLiteral("s"), QStringLiteral("a:b::c")}};
    QTest::newRow("multi-line string")
        << QVariantMap{{QStringLiteral("s"), QStringLiteral("a\nb\r\nc\\n")}};
    QTest::newRow("tab and unicode")
        << QVariantMap{{QStringLiteral("s"), QStringLiteral("t\tü€😀")}};
    QTest::newRow("int") << QVariantMap{{QStringLiteral("n"), -42}};
    QTest::newRow("large int") << QVariantMap{{QStringLiteral("n"), qlonglong(1) << 50}};
    QTest::newRow("double") << QVariantMap{{QStringLiteral("d"), 0.1}};
    QTest::newRow("integral double") << QVariantMap{{QStringLiteral("d"), QVariantList{3.0}}};
    QTest::newRow("bools") << QVariantMap{{QStringLiteral("t"), true},
                                          {QStringLiteral("f"), false}};
    QTest::newRow("nested") << QVariantMap{{QStringLiteral("dat"), nested}};
    QTest::newRow("list of strings needing escapes") << QVariantMap{
        {QStringLiteral("l"), QVariantList{QStringLiteral("q\"uote"), QStringLiteral("back\\slash"),
                                           QStringLiteral("ctl\x01"), QStringLiteral("nl\n")}}};
    QTest::newRow("object blocks") << QVariantMap{
        {QStringLiteral("@control"), QVariantMap{{QStringLiteral("res"), QStringLiteral("show")}}},
        {QStringLiteral("top"), 1}};
}

void tst_PpsCodec::roundTrip()
{
    QFETCH(QVariantMap, map);
    bool ok = false;
    const QByteArray text = PpsObject::encode(map, &ok);
    QVERIFY(ok);
    const QVariantMap back = PpsObject::decode(text, &ok);
    QVERIFY2(ok, text.constData());
    QCOMPARE(back, map);
    // Types survive too, not only values that compare equal.
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        QCOMPARE(back.value(it.key()).typeId(), it.value().typeId());
}

void tst_PpsCodec::literalMessageMatchesEncodedMap()
{
    const QVariantMap dat{
        {QStringLiteral("title"), QStringLiteral("Hi")},
        {QStringLiteral("buttons"),
         QVariantList{QVariantMap{{QStringLiteral("label"), QStringLiteral("OK")}}}}};
    const QByteArray literal =
        "msg::x\nid::42\ndat:json:{\"title\":\"Hi\",\"buttons\":[{\"label\":\"OK\"}]}\n";
    bool ok = false;
    const QVariantMap fromLiteral = PpsObject::decode(literal, &ok);
    QVERIFY(ok);
    const QVariantMap map{{QStringLiteral("msg"), QStringLiteral("x")},
                          {QStringLiteral("id"), QStringLiteral("42")},
                          {QStringLiteral("dat"), dat}};
    QCOMPARE(fromLiteral, map);
    QCOMPARE(PpsObject::decode(PpsObject::encode(map)), fromLiteral);
}

void tst_PpsCodec::nestedMapIsCompactJson()
{
    const QVariantMap m{{QStringLiteral("b"), QVariantList{1, QStringLiteral("two")}},
                        {QStringLiteral("a"), QVariantMap{{QStringLiteral("x"), true}}}};
    const QByteArray expected =
        "objVal:json:" + QJsonDocument::fromVariant(m).toJson(QJsonDocument::Compact) + '\n';
    QCOMPARE(PpsObject::encode({{QStringLiteral("objVal"), m}}), expected);
}

void tst_PpsCodec::stringEncodings_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("plain") << QVariant(QStringLiteral("a b")) << QByteArray("k::a b\n");
    QTest::newRow("line break") << QVariant(QStringLiteral("a\nb")) << QByteArray("k:c:a\\nb\n");
    QTest::newRow("backslash with break")
        << QVariant(QStringLiteral("\\\r")) << QByteArray("k:c:\\\\\\r\n");
    QTest::newRow("backslash alone is raw")
        << QVariant(QStringLiteral("a\\n")) << QByteArray("k::a\\n\n");
    QTest::newRow("number") << QVariant(7) << QByteArray("k:n:7\n");
    QTest::newRow("bool") << QVariant(true) << QByteArray("k:b:true\n");
    QTest::newRow("null") << QVariant() << QByteArray("k:json:null\n");
}

void tst_PpsCodec::stringEncodings()
{
    QFETCH(QVariant, value);
    QFETCH(QByteArray, line);
    QCOMPARE(PpsObject::encode({{QStringLiteral("k"), value}}), line);
}

void tst_PpsCodec::objectBlocksKeepTopLevelKeysApart()
{
    // '@' sorts before letters: a naive writer would put "z" under the block.
    const QVariantMap map{{QStringLiteral("@obj"), QVariantMap{{QStringLiteral("inner"), 1}}},
                          {QStringLiteral("z"), 2}};
    const QVariantMap back = PpsObject::decode(PpsObject::encode(map));
    QCOMPARE(back.value(QStringLiteral("z")).toInt(), 2);
    QCOMPARE(back.value(QStringLiteral("@obj")).toMap().keys(),
             QStringList{QStringLiteral("inner")});
}

void tst_PpsCodec::flags()
{
    const QByteArray text =
        "top::1\n-gone\n@plain\na::1\n-b\n+@new\nx:n:1\n-@old\n*@purged\n#@cut\n";
    bool ok = false;
    const qz::PpsAttributeMap map = PpsObject::decodeWithFlags(text, &ok);
    QVERIFY(ok);
    QCOMPARE(map.value(QStringLiteral("top")).toString(), QStringLiteral("1"));
    QCOMPARE(map.value(QStringLiteral("top")).flags(), qz::PpsAttributeFlag::Types());
    QCOMPARE(map.value(QStringLiteral("gone")).flags(),
             PpsAttributeFlag::Types(PpsAttributeFlag::Deleted));

    const qz::PpsAttribute plain = map.value(QStringLiteral("@plain"));
    QVERIFY(plain.isValid() && plain.isMap());
    QCOMPARE(plain.toMap().value(QStringLiteral("a")).toInt(), 1);
    QVERIFY(plain.toMap().value(QStringLiteral("b")).flags() & PpsAttributeFlag::Deleted);

    QCOMPARE(map.value(QStringLiteral("@new")).flags(),
             PpsAttributeFlag::Types(PpsAttributeFlag::Created));
    QCOMPARE(map.value(QStringLiteral("@new")).toMap().value(QStringLiteral("x")).toLongLong(), 1);
    QCOMPARE(map.value(QStringLiteral("@old")).flags(),
             PpsAttributeFlag::Types(PpsAttributeFlag::Deleted));
    QCOMPARE(map.value(QStringLiteral("@purged")).flags(),
             PpsAttributeFlag::Types(PpsAttributeFlag::Purged));
    QCOMPARE(map.value(QStringLiteral("@cut")).flags(),
             PpsAttributeFlag::Types(PpsAttributeFlag::Truncated));
    QVERIFY(!map.value(QStringLiteral("@absent")).isValid());

    // JSON members come back as attributes too.
    const qz::PpsAttributeMap json =
        PpsObject::decodeWithFlags("dat:json:{\"l\":[1,{\"k\":\"v\"}]}\n");
    const qz::PpsAttributeList list =
        json.value(QStringLiteral("dat")).toMap().value(QStringLiteral("l")).toList();
    QCOMPARE(list.size(), 2);
    QCOMPARE(list.at(0).toInt(), 1);
    QCOMPARE(list.at(1).toMap().value(QStringLiteral("k")).toString(), QStringLiteral("v"));
}

void tst_PpsCodec::repeatedBlocksMerge()
{
    const QVariantMap map = PpsObject::decode("@o\na::1\n@p\nb::2\n@o\nc::3\n");
    QCOMPARE(map.value(QStringLiteral("@o")).toMap(),
             (QVariantMap{{QStringLiteral("a"), QStringLiteral("1")},
                          {QStringLiteral("c"), QStringLiteral("3")}}));
    QCOMPARE(map.value(QStringLiteral("@p")).toMap().value(QStringLiteral("b")),
             QVariant(QStringLiteral("2")));
    const qz::PpsAttributeMap flagged =
        PpsObject::decodeWithFlags("@o\na::1\n@p\nb::2\n@o\nc::3\n");
    QCOMPARE(flagged.value(QStringLiteral("@o")).toMap().keys(),
             (QStringList{QStringLiteral("a"), QStringLiteral("c")}));
}

void tst_PpsCodec::malformedInput_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("one colon") << QByteArray("name:value\n");
    QTest::newRow("no colon") << QByteArray("justtext\n");
    QTest::newRow("empty name") << QByteArray("::x\n");
    QTest::newRow("unknown encoding") << QByteArray("a:zz:1\n");
    QTest::newRow("bad number") << QByteArray("a:n:12x\n");
    QTest::newRow("empty number") << QByteArray("a:n:\n");
    QTest::newRow("infinite number") << QByteArray("a:n:1e999\n");
    QTest::newRow("bad bool") << QByteArray("a:b:yes\n");
    QTest::newRow("bad escape") << QByteArray("a:c:\\q\n");
    QTest::newRow("trailing backslash") << QByteArray("a:c:abc\\");
    QTest::newRow("truncated json") << QByteArray("a:json:{\"k\":[1,2\n");
    QTest::newRow("json trailing garbage") << QByteArray("a:json:{} x\n");
    QTest::newRow("json bare word") << QByteArray("a:json:nope\n");
    QTest::newRow("json unterminated string") << QByteArray("a:json:\"abc");
    QTest::newRow("json raw control char") << QByteArray("a:json:\"a\x01\"\n");
    QTest::newRow("json bad unicode escape") << QByteArray("a:json:\"\\u12g4\"\n");
    QTest::newRow("json leading zero") << QByteArray("a:json:012\n");
    QTest::newRow("json lone minus") << QByteArray("a:json:-\n");
    QTest::newRow("json missing colon") << QByteArray("a:json:{\"k\" 1}\n");
    QTest::newRow("json non-string key") << QByteArray("a:json:{1:2}\n");
    QTest::newRow("json too deep") << QByteArray("a:json:" + QByteArray(5000, '[') + '\n');
    QTest::newRow("header with colon") << QByteArray("@a:b\n");
    QTest::newRow("empty header") << QByteArray("@\n");
    QTest::newRow("mark on attribute") << QByteArray("+attr::1\n");
    QTest::newRow("deleted with value") << QByteArray("-a::1\n");
    QTest::newRow("embedded NUL in encoding") << QByteArray("a:n\0:1\n", 7);
    // Names that encode() could not write back.
    QTest::newRow("control character in a name") << QByteArray("a\tb::v\n");
    QTest::newRow("NUL in a name") << QByteArray("a\0b::v\n", 7);
    QTest::newRow("control character in a block name") << QByteArray("@a\x01" "b\n");
    QTest::newRow("control character in a deleted name") << QByteArray("-a\x1f" "b\n");
}

void tst_PpsCodec::malformedInput()
{
    QFETCH(QByteArray, text);
    bool ok = true;
    QCOMPARE(PpsObject::decode(text, &ok), QVariantMap());
    QVERIFY(!ok);
    ok = true;
    QVERIFY(PpsObject::decodeWithFlags(text, &ok).isEmpty());
    QVERIFY(!ok);
}

void tst_PpsCodec::unencodable_data()
{
    QTest::addColumn<QVariantMap>("map");
    QTest::newRow("NaN") << QVariantMap{{QStringLiteral("d"), qQNaN()}};
    QTest::newRow("infinity in a list") << QVariantMap{{QStringLiteral("l"), QVariantList{qInf()}}};
    QTest::newRow("colon in name") << QVariantMap{{QStringLiteral("a:b"), 1}};
    QTest::newRow("line break in name") << QVariantMap{{QStringLiteral("a\nb"), 1}};
    QTest::newRow("empty name") << QVariantMap{{QString(), 1}};
    QTest::newRow("name starting with a mark") << QVariantMap{{QStringLiteral("-a"), 1}};
    QTest::newRow("@ name without a map") << QVariantMap{{QStringLiteral("@a"), 1}};
}

void tst_PpsCodec::unencodable()
{
    QFETCH(QVariantMap, map);
    bool ok = true;
    QCOMPARE(PpsObject::encode(map, &ok), QByteArray());
    QVERIFY(!ok);
}

void tst_PpsCodec::jsonMatchesQJsonDocument_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::newRow("escapes") << QByteArray(
        R"({"s":"a\"b\\c\/d\b\f\n\r\t\u0041\u00e9\u20ac\ud83d\ude00"})");
    QTest::newRow("numbers") << QByteArray(
        R"({"a":0,"b":-1,"c":1.5e3,"d":-0.25,"e":123456789012})");
    QTest::newRow("whitespace") << QByteArray(" { \"a\" : [ 1 , 2 ] , \"b\" : { } } ");
    QTest::newRow("utf8") << QByteArray("{\"k\xc3\xa9\":\"\xe2\x82\xac\"}");
}

void tst_PpsCodec::jsonMatchesQJsonDocument()
{
    QFETCH(QByteArray, json);
    bool ok = false;
    const QVariantMap ours =
        PpsObject::decode("v:json:" + json + '\n', &ok).value(QStringLiteral("v")).toMap();
    QVERIFY(ok);
    const QVariantMap reference = QJsonDocument::fromJson(json).toVariant().toMap();
    QCOMPARE(QJsonDocument::fromVariant(ours), QJsonDocument::fromVariant(reference));
}

void tst_PpsCodec::loneSurrogateBecomesReplacementCharacter()
{
    // UTF-8 cannot carry half a surrogate pair; what comes out must still be valid text.
    bool ok = false;
    const QVariantMap map = PpsObject::decode("v:json:\"x\\ud800y\\udc00\"\n", &ok);
    QVERIFY(ok);
    QCOMPARE(map.value(QStringLiteral("v")).toString(), QStringLiteral("x\uFFFDy\uFFFD"));
}

void tst_PpsCodec::jsonDepthLimit_data()
{
    QTest::addColumn<int>("depth");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("N") << 256 << true;
    QTest::newRow("N+1") << 257 << false;
}

void tst_PpsCodec::jsonDepthLimit()
{
    QFETCH(int, depth);
    QFETCH(bool, accepted);
    bool ok = !accepted;
    PpsObject::decode("a:json:" + QByteArray(depth, '[') + QByteArray(depth, ']') + '\n', &ok);
    QCOMPARE(ok, accepted);

    QVariant nested = QVariantList();
    for (int i = 1; i < depth; ++i)
        nested = QVariantList{nested};
    ok = !accepted;
    PpsObject::encode({{QStringLiteral("a"), nested}}, &ok);
    QCOMPARE(ok, accepted);
}

QTEST_GUILESS_MAIN(tst_PpsCodec)
#include "tst_ppscodec.moc"
