#include "ppstestserver.h"
#include "rawppsclient.h"

#include <pps/ppsprotocol.h>
#include <pps/ppsrecording.h>
#include <pps/ppsreplay.h>
#include <qz/PpsObject>

#include <QBuffer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using qz::PpsObject;
using qz::pps::Masker;
using qz::pps::Record;
using qz::pps::Recorder;
using qz::pps::ReplayScript;
namespace recording = qz::pps::recording;

Q_DECLARE_METATYPE(Record::From)

namespace {

const QByteArray DialogControl = QByteArrayLiteral("/pps/services/dialog/control");
const QByteArray ContextControl = QByteArrayLiteral("/pps/services/context/control");

Record makeRecord(Record::From from, int connection, const QByteArray &path,
                  const QByteArray &bytes)
{
    Record record;
    record.time = QDateTime(QDate(2026, 12, 6), QTime(21, 44, 17, 123), Qt::UTC);
    record.from = from;
    record.connection = connection;
    record.path = path;
    record.bytes = bytes;
    return record;
}

QByteArray recordingOf(const QList<Record> &records)
{
    QByteArray text = QByteArray(recording::s_header) + '\n';
    for (const Record &record : records)
        text += recording::format(record);
    return text;
}

std::optional<QList<Record>> readText(const QByteArray &text, QString *error)
{
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    return recording::read(buffer, error);
}

std::optional<QList<Record>> readFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return std::nullopt;
    }
    return recording::read(file, error);
}

// A dialog request as the library writes it, with its id and button contexts.
QVariantMap showRequest(const QString &id, const QString &title, const QStringList &contexts)
{
    QVariantList buttons;
    for (const QString &context : contexts)
        buttons.append(QVariantMap{{QStringLiteral("label"), QStringLiteral("b")},
                                   {QStringLiteral("enabled"), true},
                                   {QStringLiteral("context"), context}});
    return {{QStringLiteral("msg"), QStringLiteral("show")},
            {QStringLiteral("id"), id},
            {QStringLiteral("dat"),
             QVariantMap{
                 {QStringLiteral("className"), QStringLiteral("AlertDialog")},
                 {QStringLiteral("desc_obj"), QVariantMap{{QStringLiteral("titleText"), title},
                                                          {QStringLiteral("buttons"), buttons}}}}}};
}

QVariantMap showAnswer(const QString &id, int index, const QString &context)
{
    return {{QStringLiteral("res"), QStringLiteral("show")},
            {QStringLiteral("id"), id},
            {QStringLiteral("dat"),
             QVariantMap{{QStringLiteral("resp_obj"),
                          QVariantMap{{QStringLiteral("selectedIndex"), index},
                                      {QStringLiteral("responseBtnContext"), context}}}}}};
}

QByteArray encoded(const QVariantMap &map)
{
    return PpsObject::encode(map);
}

QByteArray answerTo(int client, const QVariantMap &answer)
{
    return encoded({{QStringLiteral("@control.%1").arg(client), answer}});
}

QString uuid(int n)
{
    return QStringLiteral("{00000000-0000-0000-0000-%1}").arg(n, 12, 10, QLatin1Char('0'));
}

QString selectedContext(const QVariantMap &answer)
{
    return answer.value(QStringLiteral("dat"))
        .toMap()
        .value(QStringLiteral("resp_obj"))
        .toMap()
        .value(QStringLiteral("responseBtnContext"))
        .toString();
}

} // namespace

class tst_PpsRecording : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The format
    void oddBytesRoundTrip_data();
    void oddBytesRoundTrip();
    void malformedFieldsRefused_data();
    void malformedFieldsRefused();
    void malformedRecordingsRefused_data();
    void malformedRecordingsRefused();

    // Masking
    void privateValuesMasked_data();
    void privateValuesMasked();
    void passwordPromptsMaskedWithTheirAnswers();

    // The file
    void fileIsPrivateAndMasked();
    void fileRefusesPlantedPaths_data();
    void fileRefusesPlantedPaths();
    void serverRecordsEveryWrite();

    // Replay
    void replaySubstitutesLiveIdentities();
    void replayPrefersEqualValuesThenAnswersAgain();
    void replayKeepsEachClientsAnswers();
    void replayWithoutMatchSaysWhy_data();
    void replayWithoutMatchSaysWhy();
    void replayErrorAnswerFollowsRecordedShape();
    void replayLeavesObjectsAsRecorded();
};

void tst_PpsRecording::oddBytesRoundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("escaped");

    QByteArray allBytes;
    for (int i = 0; i < 256; ++i)
        allBytes.append(char(i));
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("plain message")
        << QByteArray("msg::show\nid::1\n") << QByteArray("msg::show\\nid::1\\n");
    QTest::newRow("CR LF and tab") << QByteArray("a\r\n\tb") << QByteArray("a\\r\\n\\tb");
    QTest::newRow("backslashes") << QByteArray("c:\\n is not \\\\n")
                                 << QByteArray("c:\\\\n is not \\\\\\\\n");
    QTest::newRow("the masked field as text") << QByteArray("\\*") << QByteArray("\\\\*");
    QTest::newRow("NUL, ESC and DEL")
        << QByteArray("a\0b\x1b\x7f", 5) << QByteArray("a\\x00b\\x1b\\x7f");
    QTest::newRow("UTF-8 kept") << QByteArray("titleText::Grüße 😀")
                                << QByteArray("titleText::Grüße 😀");
    QTest::newRow("lone continuation") << QByteArray("a\x80z") << QByteArray("a\\x80z");
    QTest::newRow("cut sequence") << QByteArray("\xc3") << QByteArray("\\xc3");
    QTest::newRow("overlong NUL") << QByteArray("\xc0\x80") << QByteArray("\\xc0\\x80");
    QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << QByteArray("\\xed\\xa0\\x80");
    QTest::newRow("beyond U+10FFFF")
        << QByteArray("\xf4\x90\x80\x80") << QByteArray("\\xf4\\x90\\x80\\x80");
    QTest::newRow("every byte") << allBytes << QByteArray();
}

void tst_PpsRecording::oddBytesRoundTrip()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, escaped);

    const QByteArray field = recording::escape(bytes);
    if (!escaped.isNull())
        QCOMPARE(field, escaped);
    for (const char c : field)
        QVERIFY2(uchar(c) >= 0x20 && c != 0x7f, "a control byte left in a field");
    QCOMPARE(recording::unescape(field), std::optional<QByteArray>(bytes));

    // Whole records, written and read back as a recording, carry the bytes unchanged.
    Record record = makeRecord(Record::From::Server, 0, "/pps/odd name/ctl", bytes);
    Record masked = makeRecord(Record::From::Client, 7, "/pps/x", {});
    masked.masked = true;
    const QByteArray text = recordingOf({record, masked});
    QCOMPARE(text.count('\n'), 3);
    QVERIFY(text.contains(" /pps/odd\\x20name/ctl "));
    QString error;
    const std::optional<QList<Record>> records = readText(text, &error);
    QVERIFY2(records, qPrintable(error));
    QCOMPARE(*records, (QList<Record>{record, masked}));
}

void tst_PpsRecording::malformedFieldsRefused_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("why");

    const auto at = [](const QByteArray &rest) -> QByteArray {
        return "2026-12-06T21:44:17.123Z " + rest;
    };
    QTest::newRow("four fields") << at("client 1 /pps/a") << QStringLiteral("4 fields");
    QTest::newRow("no time") << QByteArray("yesterday client 1 /pps/a x")
                             << QStringLiteral("not an ISO 8601 time");
    QTest::newRow("unknown origin")
        << at("peer 1 /pps/a x") << QStringLiteral("neither client, server nor object");
    QTest::newRow("negative connection")
        << at("client -1 /pps/a x") << QStringLiteral("not a client id");
    QTest::newRow("signed connection")
        << at("client +1 /pps/a x") << QStringLiteral("not a client id");
    QTest::newRow("connection past int")
        << at("client 2147483648 /pps/a x") << QStringLiteral("not a client id");
    QTest::newRow("path outside /pps")
        << at("client 1 /etc/passwd x") << QStringLiteral("not the path of an object");
    QTest::newRow("path with ..") << at("client 1 /pps/../etc x")
                                  << QStringLiteral("not the path of an object");
    QTest::newRow("path with suffix")
        << at("client 1 /pps/a?server x") << QStringLiteral("not the path of an object");
    QTest::newRow("directory") << at("object 1 /pps/a/.all x")
                               << QStringLiteral("not the path of an object");
    QTest::newRow("unknown escape") << at("client 1 /pps/a \\q") << QStringLiteral("not escaped");
    QTest::newRow("short hex escape")
        << at("client 1 /pps/a \\x4") << QStringLiteral("not escaped");
    QTest::newRow("bad hex escape") << at("client 1 /pps/a \\xzz") << QStringLiteral("not escaped");
    QTest::newRow("trailing backslash")
        << at("client 1 /pps/a x\\") << QStringLiteral("not escaped");
    QTest::newRow("raw tab") << at("client 1 /pps/a x\ty") << QStringLiteral("not escaped");
    QTest::newRow("message too large")
        << at("client 1 /pps/a " + QByteArray(PpsObject::MaxMessageSize + 1, 'x'))
        << QStringLiteral("exceeds");
}

void tst_PpsRecording::malformedFieldsRefused()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, why);

    QString said;
    QVERIFY(!recording::parse(line, &said));
    QVERIFY2(said.contains(why), qPrintable(said));
}

void tst_PpsRecording::malformedRecordingsRefused_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("error");

    const QByteArray header = QByteArray(recording::s_header) + '\n';
    const QByteArray good = "2026-12-06T21:44:17.123Z object 3 /pps/a x::1\n";
    QTest::newRow("empty file") << QByteArray() << QStringLiteral("line 1: not a PPS recording");
    QTest::newRow("other file") << QByteArray("#!/bin/sh\n")
                                << QStringLiteral("line 1: not a PPS recording");
    QTest::newRow("later version")
        << QByteArray(QByteArray("qzpps-recording 2\n") + good)
        << QStringLiteral("line 1: version \"2\" of the recording format is not known");
    QTest::newRow("blank line") << QByteArray(header + good + '\n')
                                << QStringLiteral("line 3: 1 fields");
    QTest::newRow("cut short") << QByteArray(header + good + good.chopped(1))
                               << QStringLiteral("line 3: cut short");
    QTest::newRow("oversized line")
        << QByteArray(header + "2026-12-06T21:44:17.123Z object 3 /pps/a " +
                      QByteArray(recording::maxLineSize(), 'x') + '\n')
        << QStringLiteral("line 2: longer than %1 bytes").arg(recording::maxLineSize());
}

void tst_PpsRecording::malformedRecordingsRefused()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, error);

    QString said;
    QVERIFY(!readText(text, &said));
    QVERIFY2(said.startsWith(error), qPrintable(said));
}

void tst_PpsRecording::privateValuesMasked_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<Record::From>("from");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("expected"); // null: masked whole

    const QByteArray dialog = DialogControl;
    const QByteArray answerHead = "@control.3\nres::show\nid::{1}\n";
    QTest::newRow("login answer, json")
        << dialog << Record::From::Server
        << QByteArray(answerHead +
                      "dat:json:{\"resp_obj\":{\"password\":\"hunter2\",\"username\":\"bob\"}}\n")
        << QByteArray(answerHead +
                      "dat:json:{\"resp_obj\":{\"password\":\"<masked>\",\"username\":\"bob\"}}\n");
    QTest::newRow("json escapes in the value")
        << dialog << Record::From::Server
        << QByteArray(answerHead + "dat:json:{\"resp_obj\":{\"password\":\"hun\\u0074er2\"}}\n")
        << QByteArray(answerHead + "dat:json:{\"resp_obj\":{\"password\":\"<masked>\"}}\n");
    QTest::newRow("json escapes in the name")
        << dialog << Record::From::Server
        << QByteArray(answerHead + "dat:json:{\"resp_obj\":{\"pass\\u0077ord\":\"hunter2\"}}\n")
        << QByteArray(answerHead + "dat:json:{\"resp_obj\":{\"password\":\"<masked>\"}}\n");
    QTest::newRow("duplicate member")
        << dialog << Record::From::Server
        << QByteArray(answerHead +
                      "dat:json:{\"password\":\"hunter2\",\"password\":\"<masked>\"}\n")
        << QByteArray(answerHead + "dat:json:{\"password\":\"<masked>\"}\n");
    QTest::newRow("password a map") << dialog << Record::From::Server
                                    << QByteArray("dat:json:{\"password\":{\"x\":\"hunter2\"}}")
                                    << QByteArray("dat:json:{\"password\":\"<masked>\"}");
    QTest::newRow("c-escaped attribute")
        << dialog << Record::From::Server << QByteArray("@control.3\npassword:c:hun\\nter2\n")
        << QByteArray("@control.3\npassword::<masked>\n");
    QTest::newRow("login request's starting password")
        << dialog << Record::From::Client
        << QByteArray("msg:c:show\nid::{2}\ndat:json:{\"className\":\"LoginDialog\",\"desc_obj\":{"
                      "\"password\":\"hunter2\",\"passwordPlaceholder\":\"Password\"}}\n")
        << QByteArray("msg:c:show\nid::{2}\ndat:json:{\"className\":\"LoginDialog\",\"desc_obj\":{"
                      "\"password\":\"<masked>\",\"passwordPlaceholder\":\"Password\"}}\n");
    QTest::newRow("client headers do not split the request")
        << dialog << Record::From::Client << QByteArray("@control\n@other\npassword::hunter2")
        << QByteArray("@control\n@other\npassword::<masked>");
    QTest::newRow("system-control")
        << QByteArray("/pps/services/dialog/system-control") << Record::From::Server
        << QByteArray("password:n:1234\n") << QByteArray("password::<masked>\n");
    QTest::newRow("undecodable on a dialog object")
        << dialog << Record::From::Server << QByteArray("password:rot13:uhagre2\n") << QByteArray();
    QTest::newRow("binary on a dialog object")
        << dialog << Record::From::Client << QByteArray("\x01hunter2\xff", 9) << QByteArray();
    QTest::newRow("deletion kept")
        << dialog << Record::From::Server << QByteArray("-password\nres::show\n")
        << QByteArray("-password\nres::show\n");
    QTest::newRow("other objects untouched")
        << QByteArray("/pps/services/other/control") << Record::From::Client
        << QByteArray("password::hunter2\n") << QByteArray("password::hunter2\n");

    const QByteArray context = ContextControl;
    QTest::newRow("value to anonymise")
        << context << Record::From::Client
        << QByteArray(
               "msg::getCCLAnonymizedString\nid::4\ndat:json:{\"args\":[\"4111 1111\",44]}\n")
        << QByteArray(
               "msg::getCCLAnonymizedString\nid::4\ndat:json:{\"args\":[\"<masked>\",44]}\n");
    QTest::newRow("PIN to anonymise, msg c-escaped")
        << context << Record::From::Client
        << QByteArray("dat:json:{\"args\":[\"1234\",44]}\nmsg:c:getCCLAnonymizedPIN\n")
        << QByteArray("dat:json:{\"args\":[\"<masked>\",44]}\nmsg:c:getCCLAnonymizedPIN\n");
    QTest::newRow("anonymised answer kept")
        << context << Record::From::Server
        << QByteArray("@control.2\nres::getCCLAnonymizedPIN\nid::4\ndat:json:{\"out\":[\"q7Z\"]}\n")
        << QByteArray(
               "@control.2\nres::getCCLAnonymizedPIN\nid::4\ndat:json:{\"out\":[\"q7Z\"]}\n");
    QTest::newRow("other context calls kept")
        << context << Record::From::Client
        << QByteArray("msg::ccl_init\nid::1\ndat:json:{\"args\":[\"app\",\"1.0\"]}\n")
        << QByteArray("msg::ccl_init\nid::1\ndat:json:{\"args\":[\"app\",\"1.0\"]}\n");
}

void tst_PpsRecording::privateValuesMasked()
{
    QFETCH(QByteArray, path);
    QFETCH(Record::From, from);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, expected);

    Masker masker;
    const Record masked = masker.mask(makeRecord(from, 3, path, bytes));
    QCOMPARE(masked.masked, expected.isNull());
    QCOMPARE(masked.bytes, expected.isNull() ? QByteArray() : expected);
    bool ok = false;
    PpsObject::decode(masked.bytes, &ok);
    QVERIFY(ok);
}

void tst_PpsRecording::passwordPromptsMaskedWithTheirAnswers()
{
    Masker masker;
    auto prompt = [](const QString &id, const QVariantMap &description) {
        return encoded(
            {{QStringLiteral("msg"), QStringLiteral("show")},
             {QStringLiteral("id"), id},
             {QStringLiteral("dat"), QVariantMap{{QStringLiteral("desc_obj"), description}}}});
    };
    const QVariantMap pinField{{QStringLiteral("inputField"), QStringLiteral("2468")},
                               {QStringLiteral("inputKeyboard"), QStringLiteral("pin")}};
    const QVariantMap textField{{QStringLiteral("inputField"), QStringLiteral("Alice")},
                                {QStringLiteral("inputKeyboard"), QStringLiteral("default")}};
    auto answer = [](const QString &id, const QString &text) {
        return answerTo(5, {{QStringLiteral("res"), QStringLiteral("show")},
                            {QStringLiteral("id"), id},
                            {QStringLiteral("dat"),
                             QVariantMap{{QStringLiteral("resp_obj"),
                                          QVariantMap{{QStringLiteral("inputField"), text}}}}}});
    };
    auto masked = [&](Record::From from, const QByteArray &bytes) {
        return masker.mask(makeRecord(from, 5, DialogControl, bytes)).bytes;
    };

    QVERIFY(!masked(Record::From::Client, prompt(uuid(1), pinField)).contains("2468"));
    QVERIFY(masked(Record::From::Client, prompt(uuid(2), textField)).contains("Alice"));
    QVERIFY(
        !masked(Record::From::Server, answer(uuid(1), QStringLiteral("4711"))).contains("4711"));
    QVERIFY(masked(Record::From::Server, answer(uuid(2), QStringLiteral("Bob"))).contains("Bob"));
    // A second masker has not seen the PIN prompt: the answer alone does not say it is secret.
    Masker fresh;
    QVERIFY(fresh
                .mask(makeRecord(Record::From::Server, 0, DialogControl,
                                 answer(uuid(1), QStringLiteral("4711"))))
                .bytes.contains("4711"));

    // An update names its prompt inside "dat"; a password keyboard makes it secret too.
    const QByteArray update =
        encoded({{QStringLiteral("msg"), QStringLiteral("update")},
                 {QStringLiteral("dat"),
                  QVariantMap{{QStringLiteral("id"), uuid(3)},
                              {QStringLiteral("desc_obj"),
                               QVariantMap{{QStringLiteral("inputField"), QStringLiteral("pw1")},
                                           {QStringLiteral("displayAsPassword"), true}}}}}});
    QVERIFY(!masked(Record::From::Client, update).contains("pw1"));
    QVERIFY(!masked(Record::From::Server, answer(uuid(3), QStringLiteral("pw2"))).contains("pw2"));
}

void tst_PpsRecording::fileIsPrivateAndMasked()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("traffic.rec"));
    QFile existing(path);
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("left from an earlier run\n");
    existing.close();
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0644) == 0);
    const mode_t umaskBefore = ::umask(0);

    Recorder recorder;
    QString error;
    const bool opened = recorder.open(path, &error);
    ::umask(umaskBefore);
    QVERIFY2(opened, qPrintable(error));
    recorder.record(DialogControl, 4, Record::From::Client, "msg::show\nid::{9}\n");
    recorder.record(DialogControl, 0, Record::From::Server,
                    answerTo(4, {{QStringLiteral("password"), QStringLiteral("hunter2")}}));
    recorder.record("/pps/services/locale/uom", 2, Record::From::Object, "uom::metric\n");

    struct stat info;
    QVERIFY(::stat(QFile::encodeName(path).constData(), &info) == 0);
    QCOMPARE(info.st_mode & 07777, mode_t(0600));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.startsWith("qzpps-recording 1\n"));
    QVERIFY(!text.contains("earlier run"));
    QVERIFY(!text.contains("hunter2"));
    const std::optional<QList<Record>> records = readFile(path, &error);
    QVERIFY2(records, qPrintable(error));
    QCOMPARE(records->size(), 3);
    QCOMPARE(records->at(0).bytes, QByteArray("msg::show\nid::{9}\n"));
    QCOMPARE(records->at(1).bytes, QByteArray("@control.4\npassword::<masked>\n"));
    QCOMPARE(records->at(2).from, Record::From::Object);
    QCOMPARE(records->at(2).connection, 2);
    QVERIFY(qAbs(records->at(2).time.secsTo(QDateTime::currentDateTimeUtc())) < 60);
}

void tst_PpsRecording::fileRefusesPlantedPaths_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("why");

    QTest::newRow("symbolic link")
        << QStringLiteral("symlink") << QStringLiteral("it is a symbolic link");
    QTest::newRow("dangling symbolic link")
        << QStringLiteral("dangling") << QStringLiteral("it is a symbolic link");
    QTest::newRow("FIFO, without hanging")
        << QStringLiteral("fifo") << QStringLiteral("not a regular file");
    QTest::newRow("hard link") << QStringLiteral("hardlink")
                               << QStringLiteral("it has other hard links");
    QTest::newRow("directory") << QStringLiteral("directory") << QStringLiteral("Is a directory");
}

void tst_PpsRecording::fileRefusesPlantedPaths()
{
    QFETCH(QString, kind);
    QFETCH(QString, why);

    QTemporaryDir dir;
    const QByteArray victim = QFile::encodeName(dir.filePath(QStringLiteral("victim")));
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("traffic.rec")));
    QFile victimFile(QFile::decodeName(victim));
    QVERIFY(victimFile.open(QIODevice::WriteOnly));
    victimFile.write("precious\n");
    victimFile.close();
    if (kind == QLatin1String("symlink"))
        QVERIFY(::symlink(victim.constData(), path.constData()) == 0);
    else if (kind == QLatin1String("dangling"))
        QVERIFY(::symlink(QByteArray(victim + ".new").constData(), path.constData()) == 0);
    else if (kind == QLatin1String("fifo"))
        QVERIFY(::mkfifo(path.constData(), 0600) == 0);
    else if (kind == QLatin1String("hardlink"))
        QVERIFY(::link(victim.constData(), path.constData()) == 0);
    else
        QVERIFY(::mkdir(path.constData(), 0700) == 0);

    Recorder recorder;
    QString error;
    QVERIFY(!recorder.open(QFile::decodeName(path), &error));
    QVERIFY2(error.contains(why), qPrintable(error));
    QVERIFY(!recorder.isOpen());
    recorder.record(DialogControl, 1, Record::From::Client, "password::x\n"); // nowhere
    QVERIFY(victimFile.open(QIODevice::ReadOnly));
    QCOMPARE(victimFile.readAll(), QByteArray("precious\n"));
    QVERIFY(!QFile::exists(QFile::decodeName(QByteArray(victim + ".new"))));
}

void tst_PpsRecording::serverRecordsEveryWrite()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("traffic.rec"));
    Recorder recorder; // outlives the server below
    QString error;
    QVERIFY2(recorder.open(path, &error), qPrintable(error));
    PpsTestServer pps;
    QVERIFY(pps.isRunning());
    pps.server().setRecorder(&recorder);

    PpsObject service(QStringLiteral("/pps/test/control?server"));
    QVERIFY(service.open(qz::PpsOpenMode::PublishSubscribe | qz::PpsOpenMode::Create));
    PpsObject client(QStringLiteral("/pps/test/control"));
    QVERIFY(client.open(qz::PpsOpenMode::PublishSubscribe));
    QVERIFY(client.write("msg::ask\nid::1\n"));
    QByteArray request;
    bool ok = false;
    QVERIFY(QTest::qWaitFor(
        [&] { return (request = service.read(&ok)), ok && request.contains("msg"); }));
    const QByteArray block = request.left(request.indexOf('\n')); // "@control.<client>"
    QVERIFY(service.write(block + "\nres::ask\nid::1\n"));
    QVERIFY(QTest::qWaitFor([&] { return client.read(&ok), ok; }));

    // A client that dies in the middle of a message leaves nothing of it in the recording.
    {
        RawPpsClient dying(pps.socketPath());
        QCOMPARE(dying.open(qz::PpsOpenMode::Publish | qz::PpsOpenMode::Create, "/pps/test/plain"),
                 0);
        QByteArray frame;
        qz::pps::appendFrame(frame, qz::pps::FrameWrite, QByteArrayLiteral("cut::short\n"));
        QVERIFY(::send(dying.fd(), frame.constData(), size_t(frame.size() - 4), MSG_NOSIGNAL) > 0);
    }
    RawPpsClient raw(pps.socketPath());
    QCOMPARE(raw.open(qz::PpsOpenMode::Publish, "/pps/test/plain"), 0);
    raw.send(qz::pps::FrameWrite, "after::1\n");

    std::optional<QList<Record>> records;
    QVERIFY(QTest::qWaitFor(
        [&] { return (records = readFile(path, &error)), records && records->size() == 3; }));
    const int clientId = block.mid(block.indexOf('.') + 1).toInt();
    QCOMPARE(records->at(0).from, Record::From::Client);
    QCOMPARE(records->at(0).connection, clientId);
    QCOMPARE(records->at(0).path, QByteArray("/pps/test/control"));
    QCOMPARE(records->at(0).bytes, QByteArray("msg::ask\nid::1\n"));
    QCOMPARE(records->at(1).from, Record::From::Server);
    QCOMPARE(records->at(1).connection, 0);
    QCOMPARE(records->at(1).bytes, block + "\nres::ask\nid::1\n");
    QCOMPARE(records->at(2).from, Record::From::Object);
    QCOMPARE(records->at(2).path, QByteArray("/pps/test/plain"));
    QCOMPARE(records->at(2).bytes, QByteArray("after::1\n"));
    pps.server().setRecorder(nullptr);
}

void tst_PpsRecording::replaySubstitutesLiveIdentities()
{
    const QStringList recordedButtons{uuid(11), uuid(12)};
    ReplayScript script({
        makeRecord(Record::From::Object, 1, "/pps/services/locale/uom", "uom::metric\n"),
        makeRecord(Record::From::Client, 3, DialogControl,
                   encoded(showRequest(uuid(1), QStringLiteral("T"), recordedButtons))),
        makeRecord(Record::From::Server, 0, DialogControl,
                   answerTo(3, showAnswer(uuid(1), 1, uuid(12)))),
    });
    QCOMPARE(script.servedObjects(), QList<QByteArray>{DialogControl});

    const QVariantMap live = showRequest(uuid(2), QStringLiteral("T"), {uuid(21), uuid(22)});
    const std::optional<QList<QVariantMap>> answers = script.answer(DialogControl, live);
    QVERIFY(answers);
    QCOMPARE(*answers, QList<QVariantMap>{showAnswer(uuid(2), 1, uuid(22))});
}

void tst_PpsRecording::replayPrefersEqualValuesThenAnswersAgain()
{
    ReplayScript script({
        makeRecord(Record::From::Client, 3, DialogControl,
                   encoded(showRequest(uuid(1), QStringLiteral("First"), {uuid(11)}))),
        makeRecord(Record::From::Server, 0, DialogControl,
                   answerTo(3, showAnswer(uuid(1), 0, QStringLiteral("first")))),
        makeRecord(Record::From::Client, 4, DialogControl,
                   encoded(showRequest(uuid(2), QStringLiteral("Second"), {uuid(12)}))),
        makeRecord(Record::From::Server, 0, DialogControl,
                   answerTo(4, showAnswer(uuid(2), 0, QStringLiteral("second")))),
    });
    auto answerFor = [&](const QString &title) {
        const std::optional<QList<QVariantMap>> answers =
            script.answer(DialogControl, showRequest(uuid(9), title, {uuid(19)}));
        return answers && answers->size() == 1 ? selectedContext(answers->first()) : QString();
    };
    QCOMPARE(answerFor(QStringLiteral("Second")), QStringLiteral("second"));
    // Another title: the same shape, answered in recorded order by what is still unanswered.
    QCOMPARE(answerFor(QStringLiteral("Other")), QStringLiteral("first"));
    QCOMPARE(answerFor(QStringLiteral("First")), QStringLiteral("first"));
    QCOMPARE(answerFor(QStringLiteral("Second")), QStringLiteral("second"));
}

void tst_PpsRecording::replayKeepsEachClientsAnswers()
{
    const QVariantMap cancel{{QStringLiteral("msg"), QStringLiteral("cancel")},
                             {QStringLiteral("id"), uuid(1)},
                             {QStringLiteral("dat"), QVariantMap()}};
    Record maskedRequest = makeRecord(Record::From::Client, 5, DialogControl, {});
    maskedRequest.masked = true;
    ReplayScript script({
        makeRecord(Record::From::Client, 3, DialogControl,
                   encoded(showRequest(uuid(1), QStringLiteral("A"), {uuid(11)}))),
        makeRecord(Record::From::Client, 4, DialogControl, encoded(cancel)),
        // One write answering two clients, and a broadcast that answers no request.
        makeRecord(Record::From::Server, 0, DialogControl,
                   answerTo(4, showAnswer(uuid(7), 0, QStringLiteral("not 3's"))) +
                       answerTo(3, showAnswer(uuid(1), 0, uuid(11))) + "@control\nmsg::everyone\n"),
        maskedRequest,
        makeRecord(Record::From::Server, 0, DialogControl,
                   answerTo(5, showAnswer(uuid(5), 0, QStringLiteral("for the masked")))),
    });
    const std::optional<QList<QVariantMap>> shown =
        script.answer(DialogControl, showRequest(uuid(2), QStringLiteral("A"), {uuid(21)}));
    QVERIFY(shown);
    QCOMPARE(*shown, QList<QVariantMap>{showAnswer(uuid(2), 0, uuid(21))});
    QVariantMap liveCancel = cancel;
    liveCancel.insert(QStringLiteral("id"), uuid(2));
    const std::optional<QList<QVariantMap>> cancelled = script.answer(DialogControl, liveCancel);
    QVERIFY(cancelled);
    QCOMPARE(cancelled->size(), 1); // what client 4 got after its cancel
    QCOMPARE(selectedContext(cancelled->first()), QStringLiteral("not 3's"));
}

void tst_PpsRecording::replayWithoutMatchSaysWhy_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QVariantMap>("request");
    QTest::addColumn<QString>("why");

    QTest::newRow("unknown object") << QByteArrayLiteral("/pps/services/other/control")
                                    << showRequest(uuid(2), QStringLiteral("A"), {uuid(21)})
                                    << QStringLiteral("the recording holds no requests on "
                                                      "/pps/services/other/control");
    QVariantMap update = showRequest(uuid(2), QStringLiteral("A"), {uuid(21)});
    update.insert(QStringLiteral("msg"), QStringLiteral("update"));
    QTest::newRow("other msg") << DialogControl << update
                               << QStringLiteral("no request \"update\" was recorded on "
                                                 "/pps/services/dialog/control");
    QTest::newRow("more buttons") << DialogControl
                                  << showRequest(uuid(2), QStringLiteral("A"), {uuid(21), uuid(22)})
                                  << QStringLiteral("none of the 1 requests \"show\" recorded on "
                                                    "/pps/services/dialog/control has the same "
                                                    "keys and kinds of values");
    QVariantMap numberTitle = showRequest(uuid(2), QStringLiteral("A"), {uuid(21)});
    QVariantMap dat = numberTitle.value(QStringLiteral("dat")).toMap();
    dat.insert(QStringLiteral("className"), 7);
    numberTitle.insert(QStringLiteral("dat"), dat);
    QTest::newRow("number for text")
        << DialogControl << numberTitle << QStringLiteral("has the same keys and kinds of values");
}

void tst_PpsRecording::replayWithoutMatchSaysWhy()
{
    QFETCH(QByteArray, path);
    QFETCH(QVariantMap, request);
    QFETCH(QString, why);

    ReplayScript script({
        makeRecord(Record::From::Client, 3, DialogControl,
                   encoded(showRequest(uuid(1), QStringLiteral("A"), {uuid(11)}))),
        makeRecord(Record::From::Server, 0, DialogControl,
                   answerTo(3, showAnswer(uuid(1), 0, uuid(11)))),
    });
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Replay: no recorded "
                                                                         "answer: .*") +
                                                          QRegularExpression::escape(why)));
    QString said;
    QVERIFY(!script.answer(path, request, &said));
    QVERIFY2(said.endsWith(why), qPrintable(said));
    // Nothing recorded on the dialog object reads as an error answer.
    QVERIFY(script.errorAnswer(path, request, said).isEmpty());
}

void tst_PpsRecording::replayErrorAnswerFollowsRecordedShape()
{
    const QVariantMap request{
        {QStringLiteral("msg"), QStringLiteral("ccl_init")},
        {QStringLiteral("id"), QStringLiteral("1")},
        {QStringLiteral("dat"), QVariantMap{{QStringLiteral("args"), QVariantList{1}}}}};
    ReplayScript script({
        makeRecord(Record::From::Client, 3, ContextControl, encoded(request)),
        makeRecord(Record::From::Server, 0, ContextControl,
                   answerTo(3, {{QStringLiteral("res"), QStringLiteral("ccl_init")},
                                {QStringLiteral("id"), QStringLiteral("1")},
                                {QStringLiteral("err"), 22},
                                {QStringLiteral("errstr"), QStringLiteral("bad name")}})),
    });
    const QVariantMap live{{QStringLiteral("msg"), QStringLiteral("ccl_shutdown")},
                           {QStringLiteral("id"), QStringLiteral("8")}};
    QCOMPARE(script.errorAnswer(ContextControl, live, QStringLiteral("not recorded")),
             (QVariantMap{{QStringLiteral("res"), QStringLiteral("ccl_shutdown")},
                          {QStringLiteral("id"), QStringLiteral("8")},
                          {QStringLiteral("err"), 22},
                          {QStringLiteral("errstr"), QStringLiteral("not recorded")}}));
    // The recorded error answer still answers its own request, with the live id.
    QVariantMap again = request;
    again.insert(QStringLiteral("id"), QStringLiteral("2"));
    const std::optional<QList<QVariantMap>> answers = script.answer(ContextControl, again);
    QVERIFY(answers && answers->size() == 1);
    QCOMPARE(answers->first().value(QStringLiteral("id")), QVariant(QStringLiteral("2")));
}

void tst_PpsRecording::replayLeavesObjectsAsRecorded()
{
    Record masked = makeRecord(Record::From::Object, 1, "/pps/a", {});
    masked.masked = true;
    const ReplayScript script({
        makeRecord(Record::From::Object, 1, "/pps/b", "only::1\n"),
        makeRecord(Record::From::Object, 1, "/pps/a", "x::1\ny:n:2\n"),
        makeRecord(Record::From::Client, 2, "/pps/c", "msg::ask\n"),
        // As the server applies them: a removal, a header that names the object itself, a
        // line without an encoding dropped, a later value replacing an earlier one.
        makeRecord(Record::From::Object, 1, "/pps/a", "-x\n@a\nz:b:true\nbroken\ny::5"),
        masked,
    });
    const QList<std::pair<QByteArray, QByteArray>> expected{
        {"/pps/b", "only::1\n"},
        {"/pps/a", "y::5\nz:b:true\n"},
    };
    QCOMPARE(script.objectContents(), expected);
    QCOMPARE(script.servedObjects(), QList<QByteArray>{"/pps/c"});
}

QTEST_GUILESS_MAIN(tst_PpsRecording)
#include "tst_ppsrecording.moc"
