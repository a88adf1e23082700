// params.ini as any bytes: loading never fails or crashes, and what was loaded saves and
// loads back to the same values.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "FuzzCheck.h"
#include "platform/sim/SimClock.h"
#include "platform/sim/SimFileWriter.h"
#include "platform/sim/SimFolders.h"
#include "platform/sim/SimSoundPlayer.h"
#include "settings/Settings.h"

namespace {

struct Fixture {
    Fixture() {
        char pattern[] = "/tmp/mz-fuzz-params-XXXXXX";
        folder = mkdtemp(pattern);
        folders = std::make_unique<SimFolders>(folder, "/opt/mzorvany/bin/mzorvanyd");
    }
    ~Fixture() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    std::unique_ptr<CSettings> Make() {
        return std::make_unique<CSettings>(nullptr,
                                           CSettings::Platform{clock, *folders, sound, writer});
    }
    std::string folder;
    SimClock clock;
    std::unique_ptr<SimFolders> folders;
    SimSoundPlayer sound;
    SimFileWriter writer;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Fixture f;
    auto loaded = f.Make();
    static bool folderMade = loaded->EnsureFolder(loaded->settingsFolder);
    FUZZ_CHECK(folderMade);
    std::ofstream(loaded->ParamsPath(), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    FUZZ_CHECK(loaded->Load().empty());
    FUZZ_CHECK(loaded->Save().empty());
    auto again = f.Make();
    FUZZ_CHECK(again->Load().empty());
    FUZZ_CHECK(again->ParamsText() == loaded->ParamsText());
    return 0;
}
