/*
 * Not API. What the NFC library's handles are inside this stand-in.
 */
#ifndef NFC_NFC_P_H
#define NFC_NFC_P_H

#include "ndef_p.h"

#include <nfc/nfc.h>

#include <QLoggingCategory>
#include <QVariant>

#include <memory>
#include <vector>

namespace qz::platform {
/* The NFC library's category, shared by the C functions and the device backend. */
Q_DECLARE_LOGGING_CATEGORY(lcNfc)
} // namespace qz::platform

struct nfc_ndef_record
{
    qz::platform::ndef::Record data;
    nfc_ndef_message *message = nullptr; // the owner, if any
    // Decoded forms handed out by the accessors; they live as long as the record.
    QByteArray text;
    QByteArray language;
    QByteArray uri;
};

struct nfc_ndef_message
{
    std::vector<std::unique_ptr<nfc_ndef_record>> records;
    nfc_target *target = nullptr; // set for a message read from a target: owned by it, read-only
};

struct nfc_target
{
    QVariant id;
    QList<QByteArray> encodedMessages;
    // Parsed on first request, index for index with encodedMessages.
    std::vector<std::unique_ptr<nfc_ndef_message>> messages;
    bool hasRole = false;
    int role = 0;
};

struct nfc_event
{
    xrv_event_t *event = nullptr;
};

#endif
