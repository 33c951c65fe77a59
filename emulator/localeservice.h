// The device's locale settings: three objects that applications subscribe to, published at start
// from the host's locale settings (or the values given), changed on request.
//
//   "/pps/services/confstr/_CS_LOCALE"  _CS_LOCALE::<locale name>   the messages language
//   "/pps/services/locale/settings"     region::<locale name>       the region locale
//   "/pps/services/locale/uom"          uom::metric|imperial        the measurement system
//
// "/pps/services/locale/control" (server mode) takes
//     msg::set  id::<any>  dat:json:{"messages":<name>,"region":<name>,"uom":<metric|imperial>}
// (each key optional) and msg::get, and answers res::<msg> id::<same> dat:json:{the three values},
// or err::22 errstr::<why> without changing anything when a value is not acceptable. A locale
// name is letters, digits, '_' and '-' (a language, then script, country or variant parts), or
// "C"; the measurement system is exactly "metric" or "imperial".
#ifndef QZDEVICE_LOCALESERVICE_H
#define QZDEVICE_LOCALESERVICE_H

#include "deviceservice.h"

#include <memory>
#include <optional>

class LocaleServicePrivate;

class LocaleService : public DeviceService
{
    Q_OBJECT
public:
    static const QString s_messagesPath;
    static const QString s_regionPath;
    static const QString s_uomPath;
    static const QString s_controlPath;

    struct Settings
    {
        QString messages;
        QString region;
        QString uom;

        /*! What the host's environment says (LC_ALL, LC_MESSAGES, LC_MEASUREMENT, LANG; the
            system locale for the region); "C" and metric where it says nothing usable. */
        static Settings fromHost();
        /*! Settings with \a changes applied (the keys "messages", "region", "uom"); nothing
            when a value is not acceptable, with \a why said. */
        std::optional<Settings> changed(const QVariantMap &changes, QString *why) const;
        QVariantMap toMap() const;
    };

    explicit LocaleService(const Settings &initial, QObject *parent = nullptr);
    ~LocaleService() override;

    QString name() const override;
    bool start(QString *error) override;

    Settings settings() const;

private:
    std::unique_ptr<LocaleServicePrivate> const d;
};

#endif
