// The acknowledgement check against a sent datagram: the echo of a datagram's first 21
// bytes acknowledges it, a change to any of its IMSI or number bytes does not, and any
// answer bytes are safe to check.
#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzCheck.h"
#include "delivery/ReportDatagram.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    ReportFields fields;
    for (char c : input.ConsumeRandomLengthString(20)) {
        fields.imsi += static_cast<char>('0' + static_cast<unsigned char>(c) % 10);
    }
    fields.messageNumber = input.ConsumeIntegral<std::uint32_t>();
    fields.code = input.ConsumeIntegral<std::uint16_t>();
    const std::size_t flip = input.ConsumeIntegralInRange<std::size_t>(0, 20);
    const std::vector<std::uint8_t> answer = input.ConsumeRemainingBytes<std::uint8_t>();

    IsAcknowledgement(answer, fields.imsi, fields.messageNumber);  // any answer: no crash

    const std::vector<std::uint8_t> datagram = BuildReportDatagram(fields);
    FUZZ_CHECK(datagram.size() >= AcknowledgementSize);
    std::vector<std::uint8_t> echo(datagram.begin(), datagram.begin() + AcknowledgementSize);
    FUZZ_CHECK(IsAcknowledgement(echo, fields.imsi, fields.messageNumber));
    FUZZ_CHECK(!IsAcknowledgement(echo, fields.imsi, fields.messageNumber + 1));
    FUZZ_CHECK(!IsAcknowledgement(std::span(echo).first(AcknowledgementSize - 1), fields.imsi,
                                  fields.messageNumber));
    // Bytes 1..16 carry the IMSI (at most 15 digits and a zero), 17..20 the number: a
    // change to a digit, the zero or the number must not acknowledge; bytes after the
    // zero and the kind byte are not compared.
    const std::size_t imsiLength = std::min<std::size_t>(fields.imsi.size(), 15);
    const bool compared = (flip >= 1 && flip <= 1 + imsiLength) || flip >= 17;
    echo[flip] ^= 0x01;
    FUZZ_CHECK(IsAcknowledgement(echo, fields.imsi, fields.messageNumber) == !compared);
    return 0;
}
