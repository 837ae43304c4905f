// A file's ACL attribute is read as the kernel hands it over; any bytes
// get an answer, and one that names another writer stays so with more
// entries after it.
#include "updater/infrastructure/TrustedWay.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 9)
        return 0;
    const unsigned int user = data[0];
    const unsigned int group = data[1];
    const bool hasPrivateGroup = (data[2] & 1) != 0;
    const unsigned int privateGroup = data[3];
    const QByteArray attribute(reinterpret_cast<const char*>(data + 4), static_cast<int>(size - 4));
    const bool others = aclLetsOthersWrite(attribute, user, group, hasPrivateGroup, privateGroup);
    // An entry of everyone else that writes is another's write.
    const QByteArray otherWrites("\x20\x00\x02\x00\xff\xff\xff\xff", 8);
    if (!aclLetsOthersWrite(attribute + otherWrites, user, group, hasPrivateGroup, privateGroup))
        __builtin_trap();
    (void)others;
    return 0;
}
