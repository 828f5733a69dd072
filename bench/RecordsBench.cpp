// A won level stored in a player's profile whose records file already holds
// many lines, through the profile as the level stores every win: the records
// file is read whole, the line added, and the records and the profile are
// written aside, flushed and renamed together. Each run starts from the same
// file, so the figure is one win's cost at that many lines.
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
        Profile* anna = profiles.CreateProfile(u"Anna");
        if (!SelectProfile(anna)) {
            state.SkipWithError("no profile");
            return;
        }
        const std::string file = (folder / "records1.txt").string();
        const std::string bytes = RecordsBytes(state.range(0));
        for (auto _ : state) {
            state.PauseTiming();
            std::ofstream(file, std::ios::binary | std::ios::trunc)
                .write(bytes.data(), std::streamsize(bytes.size()));
            state.ResumeTiming();
            records.Enable(9);
            anna->StoreLevelResult(9, 307000, nullptr);
        }
        state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_RecordsWin)->Arg(5000)->Arg(20000)->Arg(50000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
