#include "wifidirectconnector_p.h"

#include "nfclogging_p.h"

#include <qz/PpsObject>

#include <cerrno>

namespace qz::system {

namespace {

const QString s_managerPath = QStringLiteral("/pps/services/wifi_p2p/manager/control");
const QString s_sendPath = QStringLiteral("/pps/services/wifi_p2p/send/control");
const QString s_objectName = QStringLiteral("@control");
const QString s_id = QStringLiteral("nfcshare");
const QString s_attributeMsg = QStringLiteral("msg");
const QString s_attributeId = QStringLiteral("id");
const QString s_attributeDat = QStringLiteral("dat");
const QString s_attributeRes = QStringLiteral("res");
const QString s_attributeErr = QStringLiteral("err");
const QString s_attributeAddr = QStringLiteral("addr");
const QString s_attributeIpAddr = QStringLiteral("ip_addr");

// The result an answer's "err" stands for. An "err" that is no number, or zero, still reports a
// failure: it becomes \a fallback rather than reading as success.
int serviceError(const QVariantMap &response, int fallback)
{
    bool ok = false;
    const int error = response.value(s_attributeErr).toInt(&ok);
    return ok && error != 0 ? error : fallback;
}

// Sends \a msg to the connection manager; the answer, if any, in \a response.
bool askManager(const QString &msg, const QVariantMap &dat, QVariantMap &response)
{
    return WiFiDirectConnector::sendCommand(s_managerPath, s_objectName, msg, dat, response);
}

} // namespace

WiFiDirectConnector::~WiFiDirectConnector() = default;

int WiFiDirectConnector::connect(const QString &mac)
{
    if (mac.isEmpty()) {
        qCWarning(lcNfc)
            << "Failed to perform connect() for WiFiDirectConnector - MAC Address is empty";
        return EINVAL;
    }
    const QVariantMap dat{{s_attributeAddr, mac},
                          {QStringLiteral("go_intent"), QStringLiteral("any")},
                          {QStringLiteral("wps_method"), 0},
                          {QStringLiteral("wps_pin"), QStringLiteral("NULL")}};
    QVariantMap response;
    if (!askManager(QStringLiteral("wifi_p2p_connect"), dat, response)) {
        qCWarning(lcNfc) << "Failed to request WiFi connect to MAC Address <" << nfcLogHash(mac)
                         << ">";
        return EINVAL;
    }
    if (response.contains(s_attributeErr)) {
        qCWarning(lcNfc) << "Failed to perform WiFi connect to MAC Address <" << nfcLogHash(mac)
                         << ">. Generic service Error: " << response.value(s_attributeErr);
        return serviceError(response, EINVAL);
    }
    qCDebug(lcNfc) << "Successfully requested WiFi connect to MAC Address <" << nfcLogHash(mac)
                   << ">";
    return 0;
}

QString WiFiDirectConnector::getIPAddress(const QString &mac)
{
    if (mac.isEmpty()) {
        qCWarning(lcNfc)
            << "Failed to get IP Address for WiFiDirectConnector - MAC Address is empty";
        return QString();
    }
    QVariantMap response;
    if (!askManager(QStringLiteral("wifi_p2p_get_ip_address"), {{s_attributeAddr, mac}},
                    response)) {
        qCWarning(lcNfc) << "Failed to retrieve IP address for MAC Address <" << nfcLogHash(mac)
                         << ">. Error: " << EINVAL;
        return QString();
    }
    if (response.contains(s_attributeErr)) {
        qCWarning(lcNfc) << "Failed to retrieve IP address for MAC Address <" << nfcLogHash(mac)
                         << ">. Generic service Error: " << response.value(s_attributeErr);
        return QString();
    }
    const QString ip = response.value(s_attributeDat).toMap().value(s_attributeIpAddr).toString();
    if (ip.isEmpty()) {
        qCWarning(lcNfc) << "No IP address in the answer for MAC Address <" << nfcLogHash(mac)
                         << ">";
        return QString();
    }
    qCDebug(lcNfc) << "Detected remote WiFi Direct target with the following IP: "
                   << nfcLogHash(ip);
    return ip;
}

int WiFiDirectConnector::cancelConnect()
{
    QVariantMap response;
    if (!askManager(QStringLiteral("wifi_p2p_cancel_connect"), {}, response)) {
        qCWarning(lcNfc) << "Failed to send 'cancelConnect' command to WiFi Generic service.";
        return EINVAL;
    }
    if (response.contains(s_attributeErr)) {
        qCWarning(lcNfc) << "Failed to perform WiFi cancelConnect. Generic service Error: "
                         << response.value(s_attributeErr);
        return serviceError(response, EINVAL);
    }
    qCDebug(lcNfc) << "Successfully cancelled WiFi connect";
    return 0;
}

int WiFiDirectConnector::sendFiles(const QString &ipAddress,
                                   const QList<FileTransferManager::FileEntry> &files)
{
    qCDebug(lcNfc) << "send File(s) over WiFi Send Service to IP address " << nfcLogHash(ipAddress);
    QVariantList paths;
    for (const FileTransferManager::FileEntry &file : files) {
        qCDebug(lcNfc) << "Adding file to WiFi file transfer request:" << nfcLogHash(file.path);
        paths.append(file.path);
    }
    const QVariantMap dat{{s_attributeIpAddr, ipAddress},
                          {QStringLiteral("files"), paths},
                          {QStringLiteral("nfc_triggered"), true}};
    QVariantMap response;
    if (!sendCommand(s_sendPath, s_objectName, QStringLiteral("wifi_p2p_send"), dat, response)) {
        qCWarning(lcNfc) << "Sending files over WiFi has failed:" << 1;
        return 1;
    }
    if (response.contains(s_attributeErr)) {
        qCWarning(lcNfc) << "Send service err:" << response.value(s_attributeErr);
        return serviceError(response, 1);
    }
    qCDebug(lcNfc) << "Sending files over WiFi has started";
    return 0;
}

bool WiFiDirectConnector::sendCommand(const QString &path, const QString &objectName,
                                      const QString &msg, const QVariantMap &dat,
                                      QVariantMap &response)
{
    qz::PpsObject object(path);
    if (!object.open(qz::PpsOpenMode::PublishSubscribe)) {
        qCWarning(lcNfc) << " Failed to open PPS Object at " << path
                         << " . Error: " << object.error();
        return false;
    }
    object.setBlocking(true);

    bool ok = false;
    const QByteArray command = qz::PpsObject::encode(
        {{objectName,
          QVariantMap{{s_attributeMsg, msg}, {s_attributeId, s_id}, {s_attributeDat, dat}}}},
        &ok);
    if (!ok) {
        qCWarning(lcNfc) << " Failed to encode PPS command ";
        return false;
    }
    // Commands and answers carry addresses and file paths: the log shows their hash only.
    qCDebug(lcNfc) << "Encoded command:" << nfcLogHash(QString::fromUtf8(command));
    if (!object.write(command)) {
        qCWarning(lcNfc) << "Send failed:" << object.error();
        return false;
    }
    qCDebug(lcNfc) << "Successfully sent command";

    // What the service says to every client, and answers to other commands, are not ours.
    for (;;) {
        const QByteArray rawData = object.read(&ok);
        if (!ok) {
            qCWarning(lcNfc) << "Failed to read from PPSObject. Error: " << object.error();
            return false;
        }
        qCDebug(lcNfc) << "=PPS rawData:" << nfcLogHash(QString::fromUtf8(rawData));
        const QVariantMap decoded = qz::PpsObject::decode(rawData, &ok);
        if (!ok) {
            qCWarning(lcNfc) << " Failed to decode WiFi PPS response";
            return false;
        }
        const QVariantMap answer = decoded.value(objectName).toMap();
        qCDebug(lcNfc) << "res:" << answer.value(s_attributeRes).toString();
        qCDebug(lcNfc) << "id:" << answer.value(s_attributeId).toString();
        if (answer.value(s_attributeRes).toString() == msg &&
            answer.value(s_attributeId).toString() == s_id) {
            response = answer;
            return true;
        }
    }
}

} // namespace qz::system
