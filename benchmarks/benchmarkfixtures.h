// The messages the benchmarks carry: a dialog request of about 600 bytes, its answer, and a list
// dialog of 10,000 rows.
#ifndef QZ_BENCHMARKS_FIXTURES_H
#define QZ_BENCHMARKS_FIXTURES_H

#include <QVariantList>
#include <QVariantMap>

// What a SystemDialog with two buttons and a remember-me check box sends to the dialog service.
inline QVariantMap
dialogRequest(const QString &id = QStringLiteral("{4f2b7c9e-1a3d-4e5f-8a6b-9c0d1e2f3a4b}"))
{
    auto button = [](const QString &label, const QString &uuid) {
        return QVariantMap{{QStringLiteral("label"), label},
                           {QStringLiteral("enabled"), true},
                           {QStringLiteral("context"), uuid}};
    };
    const QVariantMap description{
        {QStringLiteral("titleText"), QStringLiteral("Delete 3 files?")},
        {QStringLiteral("messageText"),
         QStringLiteral(
             "The selected files will be removed from the device. This cannot be undone.")},
        {QStringLiteral("busy"), false},
        {QStringLiteral("buttons"),
         QVariantList{button(QStringLiteral("Cancel"),
                             QStringLiteral("{0b8a1c2d-3e4f-5a6b-7c8d-9e0f1a2b3c4d}")),
                      button(QStringLiteral("Delete"),
                             QStringLiteral("{1c9b2d3e-4f5a-6b7c-8d9e-0f1a2b3c4d5e}"))}},
        {QStringLiteral("cancelRequired"), false},
        {QStringLiteral("returnKeyType"), 0},
        {QStringLiteral("messageHasEmoticons"), false},
        {QStringLiteral("defaultButtonIndex"), 1},
        {QStringLiteral("icon"), QStringLiteral("file:///apps/demo/assets/images/warning.png")},
        {QStringLiteral("includeRememberMe"), true},
        {QStringLiteral("checkboxLabel"), QStringLiteral("Don't ask again")},
        {QStringLiteral("checkboxChecked"), false},
    };
    return {{QStringLiteral("msg"), QStringLiteral("show")},
            {QStringLiteral("id"), id},
            {QStringLiteral("dat"),
             QVariantMap{{QStringLiteral("className"), QStringLiteral("AlertDialog")},
                         {QStringLiteral("desc_obj"), description}}}};
}

inline QVariantMap dialogAnswer(const QString &id)
{
    const QVariantMap response{{QStringLiteral("selectedIndex"), 1},
                               {QStringLiteral("responseBtnContext"),
                                QStringLiteral("{1c9b2d3e-4f5a-6b7c-8d9e-0f1a2b3c4d5e}")},
                               {QStringLiteral("checkboxChecked"), false}};
    return {{QStringLiteral("res"), QStringLiteral("show")},
            {QStringLiteral("id"), id},
            {QStringLiteral("dat"), QVariantMap{{QStringLiteral("resp_obj"), response}}}};
}

inline QVariantMap listRequest(int rows = 10000)
{
    QVariantList items;
    items.reserve(rows);
    for (int i = 0; i < rows; ++i) {
        items.append(QVariantMap{{QStringLiteral("label"), QStringLiteral("Row number %1").arg(i)},
                                 {QStringLiteral("disabled"), i % 7 == 0},
                                 {QStringLiteral("selected"), i % 3 == 0}});
    }
    return {{QStringLiteral("msg"), QStringLiteral("show")},
            {QStringLiteral("id"), QStringLiteral("{list}")},
            {QStringLiteral("dat"), QVariantMap{{QStringLiteral("items"), items}}}};
}

#endif
