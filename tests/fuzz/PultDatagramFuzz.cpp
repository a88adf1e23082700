// mzorvany-pult's datagram decoder: any bytes are safe, and a datagram it accepts encodes
// back to the same bytes and decodes to the same fields.
#include <tuple>

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
    const auto fieldsOf = [](const ReportFields& f) {
        return std::tie(f.imsi, f.messageNumber, f.code, f.parameter, f.text);
    };
    FUZZ_CHECK(again.error.empty() && fieldsOf(again.fields) == fieldsOf(decoded.fields));
    return 0;
}
