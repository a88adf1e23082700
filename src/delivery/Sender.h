#pragma once

#include <cstdint>
#include <string>

class CSettings;
class CGpsReader;

// Gets messages to the control room: a queue delivered one at a time, one step per tick.
class CSender {
public:
    // (the delivery work fills in the platform ports and the rest)
    ~CSender();

    void Post(std::uint16_t code, std::uint16_t parameter);
    void Tick();
    bool IsQueueEmpty() const;
    int GetStatusCode() const;
    std::string GetStatusText() const;

    // The SIM's IMSI as last read; shown by the options dialog.
    std::string imsi = "111111111111111";
};
