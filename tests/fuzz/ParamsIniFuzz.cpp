// params.ini as any bytes: loading never fails or crashes, and what was loaded saves and
// loads back to the same values.
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "FuzzCheck.h"
#include "platform/sim/SimClock.h"
#include "platform/sim/SimFileWriter.h"
#include "platform/sim/SimFolders.h"
#include "platform/sim/SimSoundPlayer.h"
#include "settings/Settings.h"

namespace {

struct TempFolder {
    TempFolder() { FUZZ_CHECK(mkdtemp(path) != nullptr); }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    char path[32] = "/tmp/mz-fuzz-params-XXXXXX";
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static TempFolder temp;
    static SimFolders folders(temp.path, "/opt/mzorvany/bin/mzorvanyd");
    static SimClock clock;
    static SimSoundPlayer sound;
    static SimFileWriter writer;
    CSettings loaded(nullptr, {clock, folders, sound, writer});
    static bool folderMade = loaded.EnsureFolder(loaded.settingsFolder);
    FUZZ_CHECK(folderMade);
    std::ofstream(loaded.ParamsPath(), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    FUZZ_CHECK(loaded.Load().empty());
    FUZZ_CHECK(loaded.Save().empty());
    CSettings again(nullptr, {clock, folders, sound, writer});
    FUZZ_CHECK(again.Load().empty());
    FUZZ_CHECK(again.ParamsText() == loaded.ParamsText());
    return 0;
}
