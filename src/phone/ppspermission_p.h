/*
 * Not API. The calls of the phone service from the best access level this process may open, with
 * per-call data from the first perimeter it may open; and the calls subscriber built on it.
 */
#ifndef QZ_SYSTEM_PHONE_PPSPERMISSION_P_H
#define QZ_SYSTEM_PHONE_PPSPERMISSION_P_H

#include "ppsobjectwrapper_p.h"

namespace qz::system::phone {

class PpsPermission : public QObject
{
    Q_OBJECT
public:
    /*! Starts listening at once; empty perimeter paths mean no per-call data. */
    PpsPermission(const QString &privatePath, const QString &protectedPath,
                  const QString &publicPath, const QString &enterprisePath,
                  const QString &personalPath, qz::PpsOpenMode::Types mode,
                  QObject *parent = nullptr);
    ~PpsPermission() override;

    /*! Opens the private, else the protected, else the public object, then the enterprise, else
        the personal one. Called by the constructor; the choice is not revisited. */
    bool startListening();
    /*! Writes \a text as UTF-8 to the main object in use; false without one or without Publish. */
    bool write(const QString &text);

    /*! The main and perimeter objects in use; null when none could be opened. */
    qz::PpsObject *mainObject() const { return m_main; }
    qz::PpsObject *perimeterObject() const { return m_perimeter; }

Q_SIGNALS:
    void dataReady(qz::system::phone::PpsAttributeMap::const_iterator &entry);

public Q_SLOTS:
    bool readyRead();
    bool readyReadPerimeter();

private:
    bool deliver(qz::PpsObject *object);
    bool tryLevel(qz::PpsObject *object, const char *level);
    bool tryPerimeter(qz::PpsObject *object, const char *level);

    qz::PpsOpenMode::Types m_mode;
    qz::PpsObject *m_main = nullptr;
    qz::PpsObject *m_perimeter = nullptr;
    qz::PpsObject m_private;
    qz::PpsObject m_protected;
    qz::PpsObject m_public;
    qz::PpsObject m_enterprise;
    qz::PpsObject m_personal;
};

class PpsCallInfo : public QObject
{
    Q_OBJECT
public:
    static const QString PRIVATE_CALLS_PATH;
    static const QString PROTECTED_CALLS_PATH;
    static const QString PUBLIC_CALLS_PATH;
    static const QString ENTERPRISE_CALL_DATA_PATH;
    static const QString PERSONAL_CALL_DATA_PATH;

    explicit PpsCallInfo(QObject *parent = nullptr);

    const PpsPermission &permission() const { return m_permission; }

Q_SIGNALS:
    void callUpdated(const qz::system::phone::PpsAttributePair &call);

public Q_SLOTS:
    void processPpsLine(qz::system::phone::PpsAttributeMap::const_iterator &entry);

private:
    PpsPermission m_permission;
};

} // namespace qz::system::phone

#endif
