// The NDEF the NFC simulator reads and makes: checking and describing what applications push or
// write, and the hand-over message of a simulated hand-over device. Built on the platform's NDEF
// code directly, never through the nfc_* functions: those talk to an NFC backend, and inside
// qzdevice that would be the simulator itself.
#ifndef QZDEVICE_NFCNDEF_H
#define QZDEVICE_NFCNDEF_H

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace NfcNdef {

/*! One alternative carrier of a hand-over device: transport 1 Bluetooth, 2 Wi-Fi Direct. */
struct Carrier
{
    int transport = 0;
    QString mac;
};

/*! Whether \a bytes are one whole, well-formed NDEF message. */
bool isMessage(const QByteArray &bytes);
/*! One line per record of \a bytes for people ("Text 'hello' (en)"), the first 16 records and
    a line saying how many more; a line saying so for bytes that are not NDEF. */
QStringList describe(const QByteArray &bytes);
/*! The hand-over message of a device offering \a carriers: one carrier record each, in order. */
QByteArray handoverMessage(const QList<Carrier> &carriers);
/*! Whether \a mac is a MAC address "AA:BB:CC:DD:EE:FF" (either case). */
bool isMacAddress(const QString &mac);

} // namespace NfcNdef

#endif
