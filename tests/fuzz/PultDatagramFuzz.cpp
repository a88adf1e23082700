// mzorvany-pult's datagram decoder: any bytes are safe, and a datagram it accepts encodes
// back to the same bytes and decodes to the same fields.
#include <cstdint>
#include <span>
#include <vector>

#include "FuzzCheck.h"
#include "delivery/ReportDatagram.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> datagram(data, data + size);
    const DecodedReport decoded = DecodeReportDatagram(datagram);
    if (!decoded.error.empty()) {
        return 0;
    }
    const std::vector<std::uint8_t> encoded = BuildReportDatagram(decoded.fields);
    const DecodedReport again = DecodeReportDatagram(encoded);
    FUZZ_CHECK(again.error.empty());
    FUZZ_CHECK(again.fields.imsi == decoded.fields.imsi);
    FUZZ_CHECK(again.fields.messageNumber == decoded.fields.messageNumber);
    FUZZ_CHECK(again.fields.code == decoded.fields.code);
    FUZZ_CHECK(again.fields.parameter == decoded.fields.parameter);
    FUZZ_CHECK(again.fields.text == decoded.fields.text);
    return 0;
}
