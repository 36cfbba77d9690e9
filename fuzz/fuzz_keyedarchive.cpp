// The lock-kind archive comes from disk, where anything may have replaced it.
#include "KeyedUnarchiver.h"
#include "PXLoginModel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto objects = KeyedUnarchiver::unarchiveRootList(
        bytes, QString::fromLatin1(PXLoginModel::archivedClassName));
    for (const ArchivedObject &object : objects.value_or(QList<ArchivedObject>())) {
        if (auto model = PXLoginModel::initWithCoder(object))
            (void)model->encodeWithCoder();
    }
    return 0;
}
