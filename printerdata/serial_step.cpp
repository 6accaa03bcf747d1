#include "serial_step.h"

#include <cstdint>

#include "int_conversion.h"
#include "printer_text.h"

std::optional<std::string> StepSerialNumber(std::string_view serialNo) {
    const auto value = ParseInt64(TrimBlanks(serialNo));
    if (!value)
        return std::nullopt;
    // Unsigned addition wraps; the conversion back is modular.
    const auto next = static_cast<int64_t>(static_cast<uint64_t>(*value) + 1);
    return std::to_string(next);
}
