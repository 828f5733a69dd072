// A won level's line added to a player's records file that already holds
// many lines: the file is read whole, the line added and the file written
// aside and renamed, as at every win. Each run starts from the same file, so
// the figure is one win's cost at that many lines.
#include "app/Profiles.h"
#include "app/RecordsFile.h"
#include "platform/Utf.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// The bytes of a records file of `lines` lines, as the game writes them.
std::string RecordsBytes(int64_t lines) {
    std::string bytes = "\xFF\xFE";
    const std::u16string line = u"Рекорд level_08 Easy: 00:05:07";
    for (int64_t i = 0; i < lines; ++i) {
        if (i > 0) bytes.append("\r\0\n\0", 4);
        for (char16_t c : line) {
            bytes.push_back(char(c & 0xFF));
            bytes.push_back(char(c >> 8));
        }
    }
    return bytes;
}

void BM_RecordsWin(benchmark::State& state) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("vb-records-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    {
        ProfileManager profiles(platform::Utf8ToUtf16(folder.string()));
        RecordsFile records(&profiles);
        if (!SelectProfile(profiles.CreateProfile(u"Anna"))) {
            state.SkipWithError("no profile");
            return;
        }
        const std::string file = (folder / "records1.txt").string();
        const std::string bytes = RecordsBytes(state.range(0));
        LevelResult result = {};
        result.level = 9;
        result.timeMs = 307000;
        for (auto _ : state) {
            state.PauseTiming();
            std::ofstream(file, std::ios::binary | std::ios::trunc)
                .write(bytes.data(), std::streamsize(bytes.size()));
            state.ResumeTiming();
            records.Enable(9);
            records.AddLevelRecord(result);
        }
        state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_RecordsWin)->Arg(5000)->Arg(20000)->Arg(50000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
