#include "bluetoothconnector_p.h"

#include "nfclogging_p.h"

#include <pps/pps.h>
#include <pps/ppsfile.h>

#include <QScopeGuard>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace qz::system {

namespace {

// "?wait": a read blocks until the service's next answer.
const char s_controlPath[] = "/pps/services/bluetooth/public/control?wait";
const char s_id[] = "nfcshare";
const char s_msgPairing[] = "initiate_pairing";
const char s_msgPush[] = "push_object";
// The answers are read in pieces of this size, as the service's answers fit in it.
constexpr size_t s_answerSize = 127;

// A string the C encoder takes whole: a NUL inside would silently cut the value short.
bool addString(pps_encoder_t *encoder, const char *name, const QString &value)
{
    return !value.contains(QChar(0)) &&
           pps_encoder_add_string(encoder, name, value.toUtf8().constData()) == PPS_ENCODER_OK;
}

// Runs \a build on a fresh encoder (plain PPS text, not JSON) and returns the text it made;
// empty when a step failed or the encoder yields no buffer.
template<typename Build> QByteArray encodeCommand(const char *msg, Build build)
{
    pps_encoder_t encoder;
    pps_encoder_initialize(&encoder, false);
    const auto cleanup = qScopeGuard([&encoder] { pps_encoder_cleanup(&encoder); });
    pps_encoder_add_string(&encoder, "msg", msg);
    pps_encoder_add_string(&encoder, "id", s_id);
    pps_encoder_start_object(&encoder, "dat");
    if (!build(&encoder))
        return QByteArray();
    pps_encoder_end_object(&encoder);
    const char *buffer = pps_encoder_buffer(&encoder);
    return buffer ? QByteArray(buffer, pps_encoder_length(&encoder)) : QByteArray();
}

} // namespace

BluetoothConnector::~BluetoothConnector() = default;

QByteArray BluetoothConnector::pairingCommand(const QString &mac, int timeout, bool bonding)
{
    return encodeCommand(s_msgPairing, [&](pps_encoder_t *encoder) {
        return addString(encoder, "addr", mac) &&
               pps_encoder_add_int(encoder, "timeout", timeout) == PPS_ENCODER_OK &&
               pps_encoder_add_int(encoder, "bonding", bonding ? 4 : 0) == PPS_ENCODER_OK;
    });
}

QByteArray BluetoothConnector::pushCommand(const QString &mac,
                                           const QList<FileTransferManager::FileEntry> &files)
{
    return encodeCommand(s_msgPush, [&](pps_encoder_t *encoder) {
        if (!addString(encoder, "address", mac) ||
            pps_encoder_start_array(encoder, "urls") != PPS_ENCODER_OK)
            return false;
        for (const FileTransferManager::FileEntry &file : files) {
            qCDebug(lcNfc) << "Adding file to BT file transfer request:" << nfcLogHash(file.path);
            if (!addString(encoder, nullptr, file.path))
                return false;
        }
        return pps_encoder_end_array(encoder) == PPS_ENCODER_OK;
    });
}

bool BluetoothConnector::initiatePairing(const QString &mac, int timeout, bool bonding)
{
    qCDebug(lcNfc) << "BluetoothConnector::initiatePairing:" << nfcLogHash(mac)
                   << " timeout=" << timeout << ",bonding=" << (bonding ? "true" : "false");
    if (mac.isEmpty()) {
        qCWarning(lcNfc) << "BluetoothConnector::initiatePairing: BT MAC address is not set!";
        return false;
    }
    const QByteArray command = pairingCommand(mac, timeout, bonding);
    if (command.isEmpty()) {
        qCWarning(lcNfc) << "Failed to encode buffer for BT";
        return false;
    }
    qCDebug(lcNfc) << "Sending BT command...";
    // A pairing the service never received has not been started.
    return sendCommand(s_controlPath, s_msgPairing, s_id, command.constData(), false);
}

int BluetoothConnector::sendFiles(const QString &mac,
                                  const QList<FileTransferManager::FileEntry> &files)
{
    qCDebug(lcNfc) << "send File(s) over Bluetooth to mac address " << nfcLogHash(mac);
    const QByteArray command = pushCommand(mac, files);
    if (command.isEmpty())
        return 1;
    if (!sendCommand(s_controlPath, s_msgPush, s_id, command.constData(), true)) {
        qCWarning(lcNfc) << "Sending files over BT has failed:" << 1;
        return 1;
    }
    qCDebug(lcNfc) << "Sending files over BT has started";
    return 0;
}

bool BluetoothConnector::sendCommand(const char *path, const char *msg, const char *id,
                                     const char *command, bool wait)
{
    const int fd = pps_open(path, O_RDWR, 0660);
    if (fd < 0) {
        qCWarning(lcNfc) << " error open to write BT command " << std::strerror(errno);
        return false;
    }
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });

    const size_t length = std::strlen(command);
    ssize_t written;
    do {
        written = ::write(fd, command, length);
    } while (written < 0 && errno == EINTR);
    if (written != ssize_t(length)) {
        qCWarning(lcNfc) << "Error writing command to BT: "
                         << std::strerror(written < 0 ? errno : EIO);
        return false;
    }
    if (!wait) {
        qCDebug(lcNfc) << "sent command but not waiting for response";
        return true;
    }

    for (;;) {
        char answer[s_answerSize + 1];
        ssize_t count;
        do {
            count = ::read(fd, answer, s_answerSize);
        } while (count < 0 && errno == EINTR);
        // End of file: the service went away before answering.
        if (count <= 0) {
            qCWarning(lcNfc) << "no response from command";
            return false;
        }
        answer[count] = '\0';
        qCDebug(lcNfc) << count << " bytes response read";
        const Answer result = readAnswer(answer, msg, id);
        if (result != Answer::NotOurs)
            return result == Answer::Succeeded;
    }
}

BluetoothConnector::Answer BluetoothConnector::readAnswer(const char *text, const char *msg,
                                                          const char *id)
{
    pps_decoder_t decoder;
    pps_decoder_initialize(&decoder, nullptr);
    const auto cleanup = qScopeGuard([&decoder] { pps_decoder_cleanup(&decoder); });
    if (pps_decoder_parse_pps_str(&decoder, text) != PPS_DECODER_OK) {
        // Unreadable, yet naming this command: the answer came and cannot say it succeeded.
        if (std::strstr(text, msg) && std::strstr(text, id)) {
            qCWarning(lcNfc) << "Unreadable answer from BT service";
            return Answer::Failed;
        }
        return Answer::NotOurs;
    }
    // The answer sits in the object's block, as the service writes it; a bare one is read as is.
    pps_decoder_push(&decoder, nullptr);

    const char *res = nullptr;
    const char *answerId = nullptr;
    if (pps_decoder_get_string(&decoder, "res", &res) != PPS_DECODER_OK ||
        pps_decoder_get_string(&decoder, "id", &answerId) != PPS_DECODER_OK ||
        std::strcmp(res, msg) != 0 || std::strcmp(answerId, id) != 0)
        return Answer::NotOurs;

    const char *dat = nullptr;
    if (pps_decoder_get_string(&decoder, "dat", &dat) == PPS_DECODER_OK && std::strstr(dat, "EOK"))
        return Answer::Succeeded;
    int err = 0;
    if (pps_decoder_get_int(&decoder, "err", &err) == PPS_DECODER_OK)
        qCWarning(lcNfc) << "Error code = " << err;
    const char *errstr = nullptr;
    if (pps_decoder_get_string(&decoder, "errstr", &errstr) == PPS_DECODER_OK)
        qCWarning(lcNfc) << "Error msg = " << errstr;
    return Answer::Failed;
}

} // namespace qz::system
