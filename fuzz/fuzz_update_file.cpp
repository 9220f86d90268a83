// libFuzzer target: the update-file reader and the acceptance test must take any bytes.
#include "UpdateFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const bool accepted = tovelo::acceptUpdate(bytes);
    const QList<tovelo::UpdateRecord> records = tovelo::readUpdateRecords(bytes);
    // Each handed-over record comes from one header line, and every line ends somewhere.
    if (records.size() > bytes.count('#')) __builtin_trap();
    if (accepted && bytes.isEmpty()) __builtin_trap();
    return 0;
}
