// The erase-range check on arbitrary integers: a range it lets through lies
// inside the flash, above the first 4 KiB, and is a whole number of 4 KiB sectors.
#include "CheckEraseRange.h"
#include "FuzzCheck.h"

#include <QStringList>

#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const int flashBytes = in.ConsumeIntegral<int>();
    const int eraseAddr = in.ConsumeIntegral<int>();
    const int eraseSize = in.ConsumeIntegral<int>();

    const QString untouched = QStringLiteral("untouched");
    QString error = untouched;
    if (checkEraseRange(flashBytes, eraseAddr, eraseSize, error)) {
        FUZZ_CHECK(error == untouched);
        FUZZ_CHECK(eraseAddr >= 0x1000 && eraseAddr <= flashBytes);
        FUZZ_CHECK(eraseSize >= 0 && eraseSize % 4096 == 0);
        FUZZ_CHECK(qint64(eraseAddr) + eraseSize <= flashBytes);
        return 0;
    }
    const QStringList known { "Erase address can't less than 0x1000!",
        "Erase address can't greater than the flash size!", "Erase size must be a multiple of 4k!" };
    FUZZ_CHECK(known.contains(error) || (error.startsWith("Erase size can't greater than 0x") && error.endsWith('!')));
    return 0;
}
