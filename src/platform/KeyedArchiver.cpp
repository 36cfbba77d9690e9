#include "KeyedArchiver.h"

#include "AppPaths.h"
#include "PlatformLog.h"
#include "PlistPtr.h"

#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <memory>

namespace {

// Builds the "$objects" table. Index 0 is "$null"; class dictionaries are
// shared by every object of that class, as the platform archiver does.
class ObjectTable
{
public:
    ObjectTable()
        : m_objects(plist_new_array())
    {
        append(plist_new_string("$null"));
    }

    quint64 append(plist_t node)
    {
        plist_array_append_item(m_objects.get(), node);
        return m_count++;
    }

    quint64 classUid(const QString &name, const QStringList &chain)
    {
        const auto found = m_classes.constFind(name);
        if (found != m_classes.constEnd())
            return *found;
        plist_t dict = plist_new_dict();
        plist_dict_set_item(dict, "$classname", plist_new_string(name.toUtf8().constData()));
        plist_t classes = plist_new_array();
        for (const QString &c : chain)
            plist_array_append_item(classes, plist_new_string(c.toUtf8().constData()));
        plist_dict_set_item(dict, "$classes", classes);
        const quint64 uid = append(dict);
        m_classes.insert(name, uid);
        return uid;
    }

    plist_t release() { return static_cast<plist_t>(m_objects.release()); }

private:
    PlistPtr m_objects;
    quint64 m_count = 0;
    QHash<QString, quint64> m_classes;
};

plist_t encodeValue(ObjectTable &table, const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return plist_new_bool(value.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::LongLong:
        // Negative values travel as their 64-bit two's complement, as a
        // signed binary-plist integer does.
        return plist_new_uint(static_cast<uint64_t>(value.toLongLong()));
    default: {
        const QString text = value.toString();
        if (text.isNull())
            return plist_new_uid(0);
        return plist_new_uid(table.append(plist_new_string(text.toUtf8().constData())));
    }
    }
}

quint64 encodeObject(ObjectTable &table, const ArchivedObject &object)
{
    plist_t dict = plist_new_dict();
    const quint64 uid = table.append(dict);
    for (auto it = object.values.constBegin(); it != object.values.constEnd(); ++it)
        plist_dict_set_item(dict, it.key().toUtf8().constData(), encodeValue(table, it.value()));
    const QStringList chain = object.classes.isEmpty()
        ? QStringList {object.className, QStringLiteral("NSObject")}
        : object.classes;
    plist_dict_set_item(dict, "$class", plist_new_uid(table.classUid(object.className, chain)));
    return uid;
}

} // namespace

QByteArray KeyedArchiver::archivedDataWithRootList(const QList<ArchivedObject> &objects)
{
    ObjectTable table;
    plist_t root = plist_new_dict();
    const quint64 rootUid = table.append(root);
    plist_t members = plist_new_array();
    for (const ArchivedObject &object : objects)
        plist_array_append_item(members, plist_new_uid(encodeObject(table, object)));
    plist_dict_set_item(root, "NS.objects", members);
    const QStringList arrayChain {QStringLiteral("NSMutableArray"), QStringLiteral("NSArray"),
                                  QStringLiteral("NSObject")};
    plist_dict_set_item(
        root, "$class",
        plist_new_uid(table.classUid(QStringLiteral("NSMutableArray"), arrayChain)));

    PlistPtr archive(plist_new_dict());
    plist_t top = plist_new_dict();
    plist_dict_set_item(top, "root", plist_new_uid(rootUid));
    plist_dict_set_item(archive.get(), "$version", plist_new_uint(100000));
    plist_dict_set_item(archive.get(), "$archiver", plist_new_string("NSKeyedArchiver"));
    plist_dict_set_item(archive.get(), "$top", top);
    plist_dict_set_item(archive.get(), "$objects", table.release());

    char *bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(archive.get(), &bytes, &length);
    QByteArray data(bytes, bytes ? qsizetype(length) : 0);
    plist_to_bin_free(bytes);
    return data;
}

bool KeyedArchiver::archiveRootList(const QList<ArchivedObject> &objects, const QString &path)
{
    const QByteArray data = archivedDataWithRootList(objects);
    if (data.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qCWarning(lcPlatform) << "cannot write archive" << path << file.errorString();
        return false;
    }
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    if (file.write(data) != data.size() || !file.commit()) {
        qCWarning(lcPlatform) << "cannot write archive" << path << file.errorString();
        return false;
    }
    return true;
}
