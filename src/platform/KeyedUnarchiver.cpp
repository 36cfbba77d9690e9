#include "KeyedUnarchiver.h"

#include "PlistPtr.h"

#include <QFile>
#include <limits>
#include <memory>

namespace {

// Read-only view of one parsed archive. Every accessor checks the node type
// first: the file may come from anywhere.
class ArchiveReader
{
public:
    explicit ArchiveReader(plist_t archive)
        : m_archive(archive)
    { }

    bool open()
    {
        if (plist_get_node_type(m_archive) != PLIST_DICT)
            return false;
        const std::optional<QString> archiver = string(plist_dict_get_item(m_archive, "$archiver"));
        if (!archiver || *archiver != QLatin1String("NSKeyedArchiver"))
            return false;
        m_objects = plist_dict_get_item(m_archive, "$objects");
        if (!m_objects || plist_get_node_type(m_objects) != PLIST_ARRAY)
            return false;
        m_objectCount = plist_array_get_size(m_objects);
        return m_objectCount > 0;
    }

    plist_t root() const
    {
        plist_t top = plist_dict_get_item(m_archive, "$top");
        if (!top || plist_get_node_type(top) != PLIST_DICT)
            return nullptr;
        return resolve(plist_dict_get_item(top, "root"));
    }

    // The object a UID points at, or null for a bad UID or "$null".
    plist_t resolve(plist_t uidNode) const
    {
        if (!uidNode || plist_get_node_type(uidNode) != PLIST_UID)
            return nullptr;
        uint64_t uid = 0;
        plist_get_uid_val(uidNode, &uid);
        if (uid == 0 || uid >= m_objectCount)
            return nullptr;
        return plist_array_get_item(m_objects, uint32_t(uid));
    }

    bool isNullReference(plist_t uidNode) const
    {
        if (!uidNode || plist_get_node_type(uidNode) != PLIST_UID)
            return false;
        uint64_t uid = 0;
        plist_get_uid_val(uidNode, &uid);
        return uid == 0;
    }

    std::optional<QString> className(plist_t object) const
    {
        if (!object || plist_get_node_type(object) != PLIST_DICT)
            return std::nullopt;
        plist_t cls = resolve(plist_dict_get_item(object, "$class"));
        if (!cls || plist_get_node_type(cls) != PLIST_DICT)
            return std::nullopt;
        return string(plist_dict_get_item(cls, "$classname"));
    }

    QStringList classChain(plist_t object) const
    {
        QStringList chain;
        plist_t cls = resolve(plist_dict_get_item(object, "$class"));
        plist_t classes = cls ? plist_dict_get_item(cls, "$classes") : nullptr;
        if (!classes || plist_get_node_type(classes) != PLIST_ARRAY)
            return chain;
        const uint32_t n = plist_array_get_size(classes);
        for (uint32_t i = 0; i < n; ++i) {
            if (const auto name = string(plist_array_get_item(classes, i)))
                chain << *name;
        }
        return chain;
    }

    // A string node as text; strings holding NUL are refused.
    static std::optional<QString> string(plist_t node)
    {
        if (!node || plist_get_node_type(node) != PLIST_STRING)
            return std::nullopt;
        uint64_t length = 0;
        const char *ptr = plist_get_string_ptr(node, &length);
        if (!ptr || length > uint64_t(KeyedUnarchiver::maximumArchiveSize))
            return std::nullopt;
        const QByteArrayView bytes(ptr, qsizetype(length));
        if (bytes.contains('\0'))
            return std::nullopt;
        return QString::fromUtf8(bytes);
    }

    std::optional<QVariant> member(plist_t node) const
    {
        switch (plist_get_node_type(node)) {
        case PLIST_BOOLEAN: {
            uint8_t b = 0;
            plist_get_bool_val(node, &b);
            return QVariant(b != 0);
        }
        case PLIST_UINT: {
            uint64_t raw = 0;
            plist_get_uint_val(node, &raw);
            const auto value = static_cast<int64_t>(raw);
            if (value < std::numeric_limits<qint32>::min()
                || value > std::numeric_limits<qint32>::max())
                return std::nullopt;
            return QVariant(qint32(value));
        }
        case PLIST_UID: {
            if (isNullReference(node))
                return QVariant(QString());
            const auto text = string(resolve(node));
            return text ? std::optional<QVariant>(QVariant(*text)) : std::nullopt;
        }
        default:
            return std::nullopt;
        }
    }

private:
    plist_t m_archive;
    plist_t m_objects = nullptr;
    uint32_t m_objectCount = 0;
};

std::optional<ArchivedObject> readObject(const ArchiveReader &reader, plist_t object,
                                         const QString &expectedClass)
{
    const auto name = reader.className(object);
    if (!name || *name != expectedClass)
        return std::nullopt;
    ArchivedObject result {*name, reader.classChain(object), {}};
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(object, &it);
    std::unique_ptr<void, decltype(&free)> iterGuard(it, &free);
    for (;;) {
        char *rawKey = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(object, it, &rawKey, &value);
        if (!value) {
            free(rawKey);
            break;
        }
        const QString key = QString::fromUtf8(rawKey);
        free(rawKey);
        if (key == QLatin1String("$class"))
            continue;
        const auto decoded = reader.member(value);
        if (!decoded)
            return std::nullopt;
        result.values.insert(key, *decoded);
    }
    return result;
}

// libplist cuts a string at its first NUL without telling, so a string that
// carries one would read as a shorter, different text. Walk the object table
// of the binary plist once and refuse such strings before parsing.
quint64 readBigEndian(const uchar *p, int size)
{
    quint64 v = 0;
    for (int i = 0; i < size; ++i)
        v = (v << 8) | p[i];
    return v;
}

bool stringHasNul(const QByteArray &data, quint64 offset)
{
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    const quint64 end = quint64(data.size()) - 32;
    if (offset >= end)
        return false;
    const int kind = bytes[offset] >> 4;
    if (kind != 0x5 && kind != 0x6 && kind != 0x7)
        return false;
    quint64 length = bytes[offset] & 0x0f;
    quint64 start = offset + 1;
    if (length == 0x0f) {
        if (start >= end || (bytes[start] >> 4) != 0x1)
            return false;
        const int size = 1 << (bytes[start] & 0x03);
        if (start + 1 + quint64(size) > end)
            return false;
        length = readBigEndian(bytes + start + 1, size);
        start += 1 + quint64(size);
    }
    const quint64 unit = kind == 0x6 ? 2 : 1;
    if (length > end || start + length * unit > end)
        return false;
    for (quint64 i = 0; i < length; ++i) {
        const bool zero = unit == 2 ? (bytes[start + 2 * i] == 0 && bytes[start + 2 * i + 1] == 0)
                                    : bytes[start + i] == 0;
        if (zero)
            return true;
    }
    return false;
}

bool anyStringHasNul(const QByteArray &data)
{
    if (data.size() < 8 + 32)
        return false;
    const auto *trailer = reinterpret_cast<const uchar *>(data.constData()) + data.size() - 32;
    const int offsetSize = trailer[6];
    const quint64 count = readBigEndian(trailer + 8, 8);
    const quint64 table = readBigEndian(trailer + 24, 8);
    const quint64 size = quint64(data.size());
    if (offsetSize < 1 || offsetSize > 8 || table >= size || count > size
        || table + count * quint64(offsetSize) > size - 32)
        return false; // malformed; the parser refuses it
    const auto *entries = reinterpret_cast<const uchar *>(data.constData()) + table;
    for (quint64 i = 0; i < count; ++i) {
        if (stringHasNul(data, readBigEndian(entries + i * quint64(offsetSize), offsetSize)))
            return true;
    }
    return false;
}

} // namespace

std::optional<QList<ArchivedObject>>
KeyedUnarchiver::unarchiveRootList(const QByteArray &data, const QString &expectedClass)
{
    if (data.size() < 8 || data.size() > maximumArchiveSize || !data.startsWith("bplist00"))
        return std::nullopt;
    if (anyStringHasNul(data))
        return std::nullopt;
    plist_t parsed = nullptr;
    plist_from_bin(data.constData(), uint32_t(data.size()), &parsed);
    PlistPtr guard(parsed);
    if (!parsed)
        return std::nullopt;
    ArchiveReader reader(parsed);
    if (!reader.open())
        return std::nullopt;
    plist_t root = reader.root();
    const auto rootClass = reader.className(root);
    if (!rootClass
        || (*rootClass != QLatin1String("NSMutableArray")
            && *rootClass != QLatin1String("NSArray")))
        return std::nullopt;
    plist_t members = plist_dict_get_item(root, "NS.objects");
    if (!members || plist_get_node_type(members) != PLIST_ARRAY)
        return std::nullopt;
    QList<ArchivedObject> objects;
    const uint32_t count = plist_array_get_size(members);
    for (uint32_t i = 0; i < count; ++i) {
        const auto object
            = readObject(reader, reader.resolve(plist_array_get_item(members, i)), expectedClass);
        if (!object)
            return std::nullopt;
        objects.append(*object);
    }
    return objects;
}

std::optional<QList<ArchivedObject>>
KeyedUnarchiver::unarchiveRootListFromFile(const QString &path, const QString &expectedClass)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maximumArchiveSize)
        return std::nullopt;
    return unarchiveRootList(file.read(maximumArchiveSize + 1), expectedClass);
}
