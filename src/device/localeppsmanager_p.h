/*
 * Not API. The process-wide subscription to the locale service's three objects, shared by every
 * LocaleHandler.
 */
#ifndef QZ_SYSTEM_LOCALEPPSMANAGER_P_H
#define QZ_SYSTEM_LOCALEPPSMANAGER_P_H

#include <qz/system/measurementsystem.h>

#include <QLocale>
#include <QObject>

namespace qz {
class PpsObject;
}

namespace qz::system {

class LocalePpsManager : public QObject
{
    Q_OBJECT
public:
    static const char s_messagesPath[];
    static const char s_regionPath[];
    static const char s_uomPath[];

    /*! The process's manager, created on first use (under a process-wide recursive mutex) on
        the calling thread, and kept until the process exits. */
    static LocalePpsManager *instance();

    /*! Opens the three objects and reads their current values; a channel that cannot be opened
        is logged and stays silent. Public so that tests can make managers of their own. */
    LocalePpsManager();
    ~LocalePpsManager() override;

    QLocale messagesLanguage() const { return m_messagesLanguage; }
    QLocale regionLocale() const { return m_regionLocale; }
    MeasurementSystem::Type measurementSystem() const { return m_measurementSystem; }

Q_SIGNALS:
    void messagesLanguageChanged();
    void regionLocaleChanged();
    void measurementSystemChanged();

private Q_SLOTS:
    void onUpdateMessagesPps();
    void onUpdateRegionPps();
    void onUpdateUomPps();

private:
    PpsObject *openChannel(const char *path, const char *channelName, const char *slot);
    /*! Reads one change of \a object and returns the attribute \a attribute of the object
        \a objectKey; false, with the warning logged, when nothing usable was read. */
    bool readValue(PpsObject *object, const char *slotName, const char *decodeWarning,
                   const QString &objectKey, const QString &attribute, QString *value);

    PpsObject *m_messagesObject = nullptr;
    PpsObject *m_regionObject = nullptr;
    PpsObject *m_uomObject = nullptr;
    QLocale m_messagesLanguage{QLocale::C, QLocale::AnyCountry};
    QLocale m_regionLocale{QLocale::C, QLocale::AnyCountry};
    MeasurementSystem::Type m_measurementSystem = MeasurementSystem::Metric;
};

} // namespace qz::system

#endif
