// Writes the phone service's lines and calls to the PPS objects that applications read.
//
//   /pps/services/phone/public/lines/<line>            "address", "friendly_name", "voice_usage",
//                                                       "last_updated_time", "state"      (0644)
//   /pps/services/phone/{private,protected,public}/calls/<call id>
//                                                       "callstate", "calltype", "line_id",
//                                                       "callernumber", "call_actions",
//                                                       "tones", "video_call"
//                                                       (0600, 0640, 0644: the owner, its group,
//                                                       everyone)
//   /pps/services/phone/protected/{personal,enterprise}_call_data/<call id>
//                                                       "perimeter", "start_time"   (0640), in
//                                                       the call's perimeter only
//   /pps/services/phone/private/dialpad                "number", "line_id", "shown_time" (0600)
//
// Each write carries only what changed, so "callernumber" comes with a call's first write and
// never again (a reader takes an update that carries it for a number change only); "call_actions"
// comes with every write. An ended call is written "disconnected" before its objects go.
#ifndef QZDEVICE_PHONEPUBLISHER_H
#define QZDEVICE_PHONEPUBLISHER_H

#include "phoneexchange.h"

#include <QHash>
#include <QVariantMap>

#include <memory>
#include <sys/types.h>
#include <unordered_map>

namespace qz {
class PpsObject;
}

class PhonePublisher
{
public:
    static const QString s_root;
    /*! The access levels, most private first, with the mode bits of their objects. */
    static const QStringList s_levels;
    static mode_t levelMode(int level);

    explicit PhonePublisher(const PhoneExchange *exchange);
    ~PhonePublisher();

    /*!
        Takes over from an earlier run: its calls are written "disconnected" and removed, its
        lines that are not served any more removed; then the lines are published. Returns the
        highest call id found, or -1 (with \a error) when the objects cannot be written.
    */
    int start(QString *error);

    void publishCall(int callId);
    void removeCall(const PhoneCall &call);
    void publishLine(const QString &line);
    void showDialpad(const QString &number, const QString &line);

    PhonePublisher(const PhonePublisher &) = delete;
    PhonePublisher &operator=(const PhonePublisher &) = delete;

private:
    struct CallObjects;

    std::unique_ptr<qz::PpsObject> open(const QString &path, mode_t mode, QString *error) const;
    bool write(qz::PpsObject *object, const QVariantMap &attributes) const;
    int clearDirectory(const QString &directory, mode_t mode, const QVariantMap &farewell,
                       const QStringList &keep);

    const PhoneExchange *const m_exchange;
    std::unordered_map<int, std::unique_ptr<CallObjects>> m_calls;
    QHash<QString, QVariantMap> m_lines; // what each line object holds
};

#endif
