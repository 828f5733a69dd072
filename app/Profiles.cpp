// Sections:
//   file layout
//   profile
//   name check
//   store: files
//   store: profiles
//   selection and errors

#include "app/Profiles.h"
#include "app/AppState.h"

#include "app/App.h"
#include "app/RecordsFile.h"
#include "app/UserFiles.h"
#include "engine/Log.h"
#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"
#include "foundation/NumberText.h"
#include "gui/Notices.h"
#include "gui/SpritesWindow.h"
#include "gui/Window.h"
#include "platform/Files.h"
#include "platform/Utf.h"
#include "text/GameLanguage.h"

#include <algorithm>
#include <cstring>

namespace {

// ---------------------------------------------------------------- file layout

constexpr uint32_t kListTypeId = 0x5C542C92;
constexpr uint32_t kListTypeVersion = 0x02822C7C;
constexpr uint32_t kProfileTypeId = 0x164902A4;
constexpr uint32_t kProfileTypeVersion = 0x02BE2E2A;
constexpr uint32_t kUserDataVersion = 0x80000001;
constexpr uint32_t kChunkList = 0x504C5354;    // 'PLST'
constexpr uint32_t kChunkBest = 0x42455354;    // 'BEST'
constexpr uint32_t kChunkProfile = 0x5052464C; // 'PRFL'
constexpr uint32_t kChunkSave = 0x53415645;    // 'SAVE'
constexpr uint32_t kBestEntrySize = 4 + kProfileNameUnits * 2;
constexpr uint32_t kBestChunkSize = kRegimeCount * kProfileLevelCount * kBestEntrySize;
// A saved game larger than this is not a level's save stream.
constexpr uint32_t kMaxSaveSize = 16u << 20;

using ReaderPtr = std::unique_ptr<kis::DataFileReaderW, decltype(&kis::CloseDataFile)>;

ReaderPtr OpenReader(const std::u16string& path, uint32_t type, uint32_t version) {
    return ReaderPtr(kis::OpenDataFileForRead(path.c_str(), type, version, kUserDataVersion),
                     &kis::CloseDataFile);
}

// A chunk read whole, or nothing when it is missing or cannot be read.
bool ReadChunk(kis::DataFileReaderW& reader, uint32_t id, uint32_t subId, std::vector<uint8_t>* bytes) {
    if (!reader.HasChunk(id, subId) || !reader.OpenChunk(id, subId)) return false;
    const uint32_t size = reader.GetOpenChunk()->size;
    bytes->assign(size, 0);
    const bool read = reader.Read(bytes->data(), size);
    reader.CloseChunk();
    return read;
}

// Reads the little-endian fields of a record whose size was checked.
class FieldReader {
  public:
    FieldReader(const uint8_t* bytes, size_t size) : p_(bytes), left_(size) {}
    uint32_t U32() {
        if (left_ < 4) return 0;
        const uint32_t v = kis::LoadLE32(p_);
        p_ += 4, left_ -= 4;
        return v;
    }
    int32_t I32() { return int32_t(U32()); }
    void Units(char16_t* out, int n) {
        for (int i = 0; i < n; ++i) {
            if (left_ < 2) return;
            out[i] = char16_t(kis::LoadLE16(p_));
            p_ += 2, left_ -= 2;
        }
    }

  private:
    const uint8_t* p_;
    size_t left_;
};

class FieldWriter {
  public:
    void U32(uint32_t v) { kis::AppendLE32(bytes, v); }
    void Units(const char16_t* text, int n) {
        for (int i = 0; i < n; ++i)
            kis::AppendLE16(bytes, uint16_t(text[i]));
    }
    std::vector<uint8_t> bytes;
};

// Field order of the results block, shared by the reader and the writer.
template <class Visit> void VisitResults(ProfileResults& r, Visit&& word) {
    word(r.reserved0);
    word(r.tutorial);
    word(r.regime);
    word(r.hardAvailable);
    word(r.tutorialsOff);
    for (uint32_t& w : r.reserved)
        word(w);
    for (RegimeProgress& g : r.regimes) {
        word(g.newBonus);
        for (uint32_t& w : g.owned)
            word(w);
        word(g.chosenCount);
        for (int32_t& id : g.chosen)
            word(reinterpret_cast<uint32_t&>(id));
        for (LevelProgress& level : g.levels) {
            word(level.status);
            word(level.bestMs);
        }
    }
    word(r.reserved230);
}

void DecodeProfile(const std::vector<uint8_t>& bytes, ProfileRecord* r) {
    FieldReader in(bytes.data(), bytes.size());
    in.Units(r->name, kProfileNameUnits);
    r->number = in.U32();
    r->useCount = in.U32();
    r->flags = in.U32();
    r->villainsInARow = in.I32();
    for (int32_t& w : r->awards)
        w = in.I32();
    for (int32_t& w : r->awardsSeen)
        w = in.I32();
    VisitResults(r->results, [&](uint32_t& w) { w = in.U32(); });
}

std::vector<uint8_t> EncodeProfile(const ProfileRecord& record) {
    ProfileRecord r = record;
    FieldWriter out;
    out.Units(r.name, kProfileNameUnits);
    out.U32(r.number);
    out.U32(r.useCount);
    out.U32(r.flags);
    out.U32(uint32_t(r.villainsInARow));
    for (int32_t w : r.awards)
        out.U32(uint32_t(w));
    for (int32_t w : r.awardsSeen)
        out.U32(uint32_t(w));
    VisitResults(r.results, [&](uint32_t& w) { out.U32(w); });
    return std::move(out.bytes);
}

// Brings every field the game relies on into its range; the repairs are
// counted so the log can say a profile was mended.
int RepairResults(ProfileResults& r) {
    int repairs = 0;
    auto flag = [&](uint32_t& w) {
        if (w > 1) w = 1, ++repairs;
    };
    flag(r.tutorial);
    flag(r.hardAvailable);
    if (r.regime > 1) r.regime = kRegimeEasy, ++repairs;
    for (RegimeProgress& g : r.regimes) {
        if ((g.newBonus >> 24) > uint32_t(kBonusCount)) g.newBonus &= 0x00FFFFFF, ++repairs;
        for (uint32_t& owned : g.owned)
            flag(owned);
        if (g.chosenCount > uint32_t(kChosenBonusLimit)) g.chosenCount = 0, ++repairs;
        for (int32_t& id : g.chosen)
            if (id < -1 || id >= kBonusCount) id = -1, ++repairs;
        for (LevelProgress& level : g.levels)
            if (level.status > kLevelGold) level.status = kLevelLocked, ++repairs;
    }
    return repairs;
}

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

std::string Narrow(const std::u16string& text) {
    return platform::Utf16ToUtf8(text);
}

std::u16string NameOf(const char16_t* units) {
    size_t n = 0;
    while (n < size_t(kProfileNameUnits) && units[n])
        ++n;
    return std::u16string(units, n);
}

} // namespace

// ---------------------------------------------------------------- profile

Profile::Profile(ProfileManager* owner, const ProfileRecord& record) : owner_(owner), record_(record) {}

const char16_t* Profile::GreetingKey() const {
    return record_.useCount < 2 ? u"welcom" : u"hello";
}

std::u16string Profile::NameInGreeting(std::u16string text) const {
    for (size_t at = text.find(u'['); at != std::u16string::npos; at = text.find(u'[', at + 1)) {
        const size_t end = text.find(u']', at);
        if (end == std::u16string::npos) break;
        std::u16string word = text.substr(at + 1, std::min(end, text.find(u' ', at)) - at - 1);
        for (char16_t& c : word)
            if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
        if (word == u"profile") text.replace(at, end - at + 1, Name());
    }
    return text;
}

void Profile::AddAwards(uint32_t bits) {
    if ((record_.flags | bits) == record_.flags) return;
    record_.flags |= bits;
    Save();
}

int32_t Profile::CountMedals(uint32_t regime, int32_t counts[3]) const {
    int32_t n[3] = {};
    if (regime < uint32_t(kRegimeCount))
        for (const LevelProgress& level : record_.results.regimes[regime].levels)
            if (level.status >= kLevelBronze && level.status <= kLevelGold) ++n[level.status - kLevelBronze];
    if (counts) std::copy(n, n + 3, counts);
    return n[0] + n[1] + n[2];
}

int32_t Profile::CountPassedLevels(uint32_t regime) const {
    if (regime >= uint32_t(kRegimeCount)) return 0;
    int32_t n = 0;
    for (const LevelProgress& level : record_.results.regimes[regime].levels)
        if (level.status >= kLevelPassed) ++n;
    return n;
}

const SavedLevelBytes* Profile::GetSavedLevel(int32_t level) const {
    if (level < 0 || level >= kProfileLevelCount) return nullptr;
    auto found = saves_.find(SaveKey(Regime(), level));
    return found == saves_.end() ? nullptr : &found->second;
}

void Profile::DeleteSavedLevel(int32_t level) {
    if (level >= 0 && level < kProfileLevelCount) saves_.erase(SaveKey(Regime(), level));
}

void Profile::StoreSavedLevel(int32_t level, SavedLevelBytes bytes) {
    if (level < 0 || level >= kProfileLevelCount || bytes.empty() || bytes.size() > kMaxSaveSize) return;
    saves_[SaveKey(Regime(), level)] = std::move(bytes);
}

bool Profile::HasBonus(int32_t bonus) const {
    return bonus >= 0 && bonus < kBonusCount && record_.results.regimes[Regime()].owned[bonus] != 0;
}

int32_t Profile::ListBonuses(int32_t list[kBonusCount]) const {
    int32_t n = 0;
    for (int32_t bonus = 0; bonus < kBonusCount; ++bonus)
        if (HasBonus(bonus)) {
            if (list) list[n] = bonus;
            ++n;
        }
    return n;
}

void Profile::TurnLevelTutorialOff(int32_t level) {
    if (level < 0 || level >= 32 || LevelTutorialOff(level)) return;
    record_.results.tutorialsOff |= 1u << level;
    Save();
}

bool Profile::LevelTutorialOff(int32_t level) const {
    return level >= 0 && level < 32 && (record_.results.tutorialsOff >> level & 1u) != 0;
}

void Profile::TurnLevelTutorialsOn() {
    if (record_.results.tutorialsOff == 0) return;
    record_.results.tutorialsOff = 0;
    Save();
}

void Profile::SetRegime(uint32_t regime) {
    if (regime >= uint32_t(kRegimeCount) || regime == record_.results.regime) return;
    record_.results.regime = regime;
    Save();
}

void Profile::StoreLevelResult(int32_t level, int64_t timeMs, LevelResult* out) {
    if (level < 0 || level >= kProfileLevelCount) return;
    const ProfileHooks& hooks = owner_->Hooks();
    const uint32_t regime = Regime();
    RegimeProgress& progress = record_.results.regimes[regime];
    LevelProgress& entry = progress.levels[level];
    auto exists = [&](int32_t i, ProfileLevelInfo* info) {
        ProfileLevelInfo spare;
        return i >= 0 && i < kProfileLevelCount && hooks.levelInfo &&
               hooks.levelInfo(i, info ? info : &spare);
    };

    LevelResult result = {};
    ProfileLevelInfo info;
    const bool known = exists(level, &info);
    result.level = uint32_t(level);
    result.regime = regime;
    std::copy(info.limits[regime], info.limits[regime] + 3, result.limits);
    result.statusBefore = entry.status;
    result.bestBefore = entry.bestMs;
    result.bonus = known ? info.bonus : -1;
    if (hooks.setCurrentLevel) hooks.setCurrentLevel(level);

    // The following group's levels come up when the next level is still locked.
    const int32_t next = level + 1;
    if (known && next < kProfileLevelCount && progress.levels[next].status == kLevelLocked)
        for (int32_t i = next; i < kProfileLevelCount; ++i) {
            ProfileLevelInfo later;
            if (exists(i, &later) && later.group == info.group + 1 &&
                progress.levels[i].status < kLevelUpcoming)
                progress.levels[i].status = kLevelUpcoming;
        }
    if (exists(next, nullptr) && progress.levels[next].status < kLevelOpen)
        progress.levels[next].status = kLevelOpen;

    uint32_t grade = kLevelBronze;
    if (timeMs >= 0) {
        const uint32_t t = uint32_t(std::min<int64_t>(timeMs, INT32_MAX));
        const uint32_t* limit = result.limits; // bronze, silver, gold
        grade = GradeForTime(int32_t(regime), t, limit[0], limit[1], limit[2]);
        result.timeMs = t;
        // Better only when it reads better: a time that shows the same second is no new best.
        if (entry.bestMs == 0 || ShownSecond(t) < ShownSecond(entry.bestMs)) {
            entry.bestMs = t;
            result.flags |= kResultNewBest;
        }
        if (owner_->OfferBestTime(regime, level, t, record_.name)) result.flags |= kResultRecord;
    }
    result.grade = grade;
    entry.status = std::max(entry.status, grade);

    if (result.bonus >= 0 && result.bonus < kBonusCount && !progress.owned[result.bonus]) {
        progress.owned[result.bonus] = 1;
        progress.newBonus = (progress.newBonus & 0x00FFFFFF) | (uint32_t(result.bonus + 1) << 24);
        // The new bonus goes into the next level: after the chosen ones, or
        // in place of the last of three.
        const uint32_t limit = kChosenBonusLimit;
        progress.chosenCount = std::min(progress.chosenCount, limit);
        if (progress.chosenCount < limit)
            progress.chosen[progress.chosenCount++] = result.bonus;
        else
            progress.chosen[limit - 1] = result.bonus;
        result.flags |= kResultNewBonus;
    }
    if (hooks.countLevelWin)
        result.flags |= hooks.countLevelWin(*this) & (kResultAwardGoal | kResultAllAwards);
    if (level == kHardRegimeLevel && !record_.results.hardAvailable) {
        record_.results.hardAvailable = 1;
        result.flags |= kResultHardRegime;
    }
    if (hooks.setMapState) hooks.setMapState(result);
    DeleteSavedLevel(level);
    owner_->WriteWin(*this, result);
    if (result.flags & kResultRecord) owner_->SaveList(); // the best times live in profiles.dat
    if (out) *out = result;
}

bool Profile::Save() {
    return owner_->WriteProfile(*this);
}

const char16_t* GetProfileName(const Profile* profile) {
    return profile ? profile->Name() : u"";
}

bool HasFlags(const Profile* profile, uint32_t bits) {
    return profile && (profile->Record().flags & bits) == bits;
}

// ---------------------------------------------------------------- name check

ProfileManager::ProfileManager(std::u16string folder) : folder_(std::move(folder)), allowed_(65537, 0) {
    for (uint32_t c = 0x20; c < 0x10000; ++c) {
        const bool control = c >= 0x7F && c <= 0x9F;
        const bool surrogate = c >= 0xD800 && c <= 0xDFFF;
        const bool nonCharacter = c >= 0xFFFE;
        allowed_[c] = !control && !surrogate && !nonCharacter;
    }
}

ProfileManager::~ProfileManager() = default;

void ProfileManager::SetAllowedCharacters(std::vector<uint8_t> map) {
    map.resize(65537, 0);
    map[0] = 0;
    allowed_ = std::move(map);
}

int32_t ProfileManager::NormalizeName(const char16_t* name, std::u16string* out) const {
    return CheckName(name, out, nullptr);
}

int32_t ProfileManager::CheckName(const char16_t* name, std::u16string* out, const Profile* self) const {
    std::u16string kept;
    bool blank = false;
    for (const char16_t* p = name ? name : u""; *p; ++p) {
        if (IsBlank(*p)) {
            blank = !kept.empty();
            continue;
        }
        if (blank) kept += u' ';
        blank = false;
        kept += *p;
        if (kept.size() > size_t(kProfileNameLength)) return kProfileErrorTooLong;
        if (!allowed_[*p]) return kProfileErrorCharacter;
    }
    if (kept.empty()) return kProfileErrorEmpty;
    for (const auto& profile : profiles_)
        if (profile.get() != self && kept == profile->Name()) return kProfileErrorUsed;
    if (out) *out = kept;
    return kProfileOk;
}

// ---------------------------------------------------------------- store: files

namespace {
// The suffix of the copies a win writes before they go in place (WriteWin).
constexpr char16_t kWinAside[] = u".win";
} // namespace

std::u16string ProfileManager::ListPath() const {
    return folder_ + u"\\profiles.dat";
}

std::u16string ProfileManager::ProfilePath(uint32_t number) const {
    return folder_ + u"\\profile" + kis::DecimalText(number) + u".dat";
}

std::u16string ProfileManager::RecordsPath(uint32_t number) const {
    return folder_ + u"\\records" + kis::DecimalText(number) + u".txt";
}

bool ProfileManager::WriteAllowed(const std::u16string& path) {
    if (!writesRefused_ && gate_ && !gate_(path)) writesRefused_ = true;
    return !writesRefused_;
}

void ProfileManager::NoteFailure(const std::u16string& path, std::u16string stuck, std::string cause) {
    ++failedWrites_;
    unreadable_.clear();
    blocking_ = std::move(stuck);
    failureCause_ = std::move(cause);
    LogErrorPrintf(kLogIndent, "The file %s could not be written%s%s%s.", AppShownPath(path).c_str(),
                   failureCause_.empty() ? "" : " (", failureCause_.c_str(),
                   failureCause_.empty() ? "" : ")");
}

void ProfileManager::ForgetFailure() {
    unreadable_.clear();
    blocking_.clear();
    failureCause_.clear();
}

bool ProfileManager::WriteFile(const std::u16string& path, uint32_t type, uint32_t version,
                               const std::vector<Chunk>& chunks) {
    if (writesRefused_) return false;
    if (std::u16string stuck; !ClearWayForWrite(path, path + u".bak", &stuck)) { // logs what it sets aside
        NoteFailure(path, std::move(stuck), {});
        return false;
    }
    kis::DataFileWriterW writer(type, version, kUserDataVersion);
    bool good = writer.Open(path.c_str(), true);
    for (const Chunk& chunk : chunks)
        good = good && writer.BeginChunk(chunk.id, chunk.subId) &&
               writer.Write(chunk.bytes->data(), uint32_t(chunk.bytes->size())) && writer.EndChunk();
    if (good && !WriteAllowed(path)) {
        writer.Fail(); // the old file stays, as after a crash before the rename
        return false;
    }
    if (good) good = writer.Close();
    if (!good) NoteFailure(path, {}, platform::FileErrorText(writer.GetError(), platform::kFileWrite));
    if (good && writer.GetSyncError() != 0)
        LogErrorPrintf(kLogIndent, "%s is written, but its folder could not be flushed (%s).",
                       AppShownPath(path).c_str(),
                       platform::FileErrorText(writer.GetSyncError(), platform::kFileRead).c_str());
    return good;
}

bool ProfileManager::WriteProfileTo(const Profile& profile, const std::u16string& path) {
    const std::vector<uint8_t> record = EncodeProfile(profile.record_);
    std::vector<Chunk> chunks = {{kChunkProfile, 1, &record}};
    for (const auto& [key, bytes] : profile.saves_)
        chunks.push_back({kChunkSave, key, &bytes});
    return WriteFile(path, kProfileTypeId, kProfileTypeVersion, chunks);
}

bool ProfileManager::WriteProfile(const Profile& profile) {
    // A win's line that could not go to the disk yet goes with every later
    // write of its profile, so that no profile is saved without it.
    if (auto pending = pendingLines_.find(profile.Number()); pending != pendingLines_.end())
        return WriteWithRecords(profile, pending->second);
    const std::u16string path = ProfilePath(profile.Number());
    const bool written = WriteProfileTo(profile, path);
    // A profile not yet in the store (one being made) is not kept when its
    // first file cannot be written: nothing of it waits to be saved.
    if (written) {
        ++writtenFiles_;
        unsavedProfiles_.erase(profile.Number());
        // An older win's copy that could not be put in place is out of date now.
        const std::u16string winAside = path + kWinAside;
        if (InspectUserEntry(winAside) == UserEntry::File) platform::DeleteFile(platform::GamePath(winAside));
    } else if (FindByNumber(profile.Number())) {
        unsavedProfiles_.insert(profile.Number());
    }
    return written;
}

bool ProfileManager::WriteWin(const Profile& profile, const LevelResult& result) {
    if (winLine_)
        if (std::u16string line = winLine_(result); !line.empty())
            pendingLines_[profile.Number()].push_back(std::move(line));
    return WriteProfile(profile);
}

// The records lines and the profile go to the disk as one: both new files are
// written aside in full (records<N>.txt.win, profile<N>.dat.win) and flushed,
// or neither is used; renaming the records' copy into place is the moment the
// lines count, and the profile's copy follows it. A stop before that moment
// leaves both old files and the two copies, a stop after it the profile's copy
// alone: the next Load drops the copies in the first case and puts the
// profile's in place in the second (FinishWinWrites), so that records and
// profile agree. A failed write leaves both old files, and the lines wait.
bool ProfileManager::WriteWithRecords(const Profile& profile, const std::vector<std::u16string>& lines) {
    const uint32_t number = profile.Number();
    const std::u16string profilePath = ProfilePath(number), recordsPath = RecordsPath(number);
    const std::u16string profileAside = profilePath + kWinAside, recordsAside = recordsPath + kWinAside;
    auto fail = [&](const std::u16string& path, std::u16string stuck, std::string cause) {
        NoteFailure(path, std::move(stuck), std::move(cause));
        unsavedProfiles_.insert(number);
        return false;
    };
    if (writesRefused_) {
        unsavedProfiles_.insert(number);
        return false;
    }
    // A copy an earlier failure left gives way; anything else there is set aside.
    if (std::u16string stuck; !ClearWayForWrite(profilePath, profileAside, &stuck))
        return fail(profilePath, std::move(stuck), {});
    RecordsKeeping keeping;
    // What was kept is told once the records are where the player finds them, or the save failed.
    auto tellKept = [&] {
        if (!keeping.keptAs.empty()) recordsKept_.push_back(keeping.keptAs);
    };
    const bool recordsWritten = WriteRecordsAside(recordsPath, lines, recordsAside, &keeping); // logs
    if (!recordsWritten) {
        tellKept();
        fail(recordsPath, keeping.blocking, keeping.cause);
        unreadable_ = keeping.unreadable;
        return false;
    }
    if (!WriteProfileTo(profile, profileAside)) { // counted and logged by the write
        tellKept();
        platform::DeleteFile(platform::GamePath(recordsAside));
        unsavedProfiles_.insert(number);
        return false;
    }
    // The gate stands in for a stop at each rename: the copies stay as they are.
    if (!WriteAllowed(recordsPath)) return false;
    errno = 0;
    const bool placed = PutRecordsInPlace(recordsPath, recordsAside, &keeping); // logs what it keeps
    const int error = errno;
    tellKept();
    if (!placed) {
        platform::DeleteFile(platform::GamePath(recordsAside));
        platform::DeleteFile(platform::GamePath(profileAside));
        return fail(recordsPath, keeping.blocking, platform::FileErrorText(error, platform::kFileWrite));
    }
    ++writtenFiles_;
    pendingLines_.erase(number); // `lines` goes with it
    if (!WriteAllowed(profilePath)) return false;
    // Should the profile's copy not go in place now, the next start puts it there.
    errno = 0;
    if (!RenameUserFile(profileAside, profilePath))
        return fail(profilePath, {}, platform::FileErrorText(errno, platform::kFileWrite));
    unsavedProfiles_.erase(number);
    return true;
}

namespace {

// The number N of a copy named head + N + tail ("profile" + N + ".dat.win"),
// or 0 when the name is not one.
uint32_t WinAsideNumber(std::u16string_view name, std::u16string_view head, std::u16string_view tail) {
    if (name.size() <= head.size() + tail.size() || name.substr(0, head.size()) != head ||
        name.substr(name.size() - tail.size()) != tail)
        return 0;
    const std::u16string_view digits = name.substr(head.size(), name.size() - head.size() - tail.size());
    if (digits.size() > 9) return 0;
    uint32_t number = 0;
    for (char16_t c : digits) {
        if (c < u'0' || c > u'9') return 0;
        number = number * 10 + uint32_t(c - u'0');
    }
    return number;
}

} // namespace

void ProfileManager::FinishWinWrites() {
    const std::u16string profileTail = std::u16string(u".dat") + kWinAside;
    const std::u16string recordsTail = std::u16string(u".txt") + kWinAside;
    const std::vector<std::u16string> names = platform::FolderEntries(platform::GamePath(folder_));
    // A copy that cannot be used is kept under its own name: it may hold a
    // win, and nothing the game did not write itself is deleted.
    auto keep = [&](const std::u16string& path, uint32_t number, const char* why) {
        const std::u16string kept = KeepAside(path, u".bad");
        LogErrorPrintf(
            kLogIndent,
            "Profile %u: the copy %s of a win a stop left %s; %s stays as it was and the copy is %s.", number,
            AppShownPath(path).c_str(), why, AppShownPath(ProfilePath(number)).c_str(),
            kept.empty() ? "left where it is" : ("kept as " + AppShownPath(kept)).c_str());
        report_.winsKept.push_back(kept.empty() ? path : kept);
    };
    for (const std::u16string& name : names) {
        const uint32_t number = WinAsideNumber(name, u"profile", profileTail);
        if (number == 0) continue;
        const std::u16string path = folder_ + u"\\" + name;
        const char* why = nullptr;
        if (InspectUserEntry(path) != UserEntry::File) {
            keep(path, number, "is not a file");
        } else if (InspectUserEntry(RecordsPath(number) + kWinAside) != UserEntry::Missing) {
            platform::DeleteFile(platform::GamePath(path));
            LogLabelPrintf(kLogIndent, "Profiles", "profile %u: a win stopped before it was saved is dropped",
                           number);
        } else if (const int error = platform::OpenForReadError(platform::GamePath(path));
                   platform::PassingFileError(error)) {
            // Not known to be whole or damaged: it waits for a start that can read it.
            LogErrorPrintf(kLogIndent,
                           "Profile %u: the copy %s of a win a stop left cannot be read now (%s); it "
                           "stays for the next start.",
                           number, AppShownPath(path).c_str(),
                           platform::FileErrorText(error, platform::kFileRead).c_str());
        } else if (!ReadProfile(number, path, &why, true)) {
            // The stop came after the records took the win, but the profile's
            // copy is no whole profile: the profile file in place is the one to keep.
            keep(path, number, (std::string("does not read (") + why + ")").c_str());
        } else if (RenameUserFile(path, ProfilePath(number))) {
            LogLabelPrintf(kLogIndent, "Profiles",
                           "profile %u: a win stopped while it was saved is completed", number);
        }
    }
    for (const std::u16string& name : names) {
        const uint32_t number = WinAsideNumber(name, u"records", recordsTail);
        if (number == 0) continue;
        const std::u16string path = folder_ + u"\\" + name;
        if (IsPlayersOwnFile(path))
            platform::DeleteFile(platform::GamePath(path));
        else if (const std::u16string kept = KeepAside(path, u".bad"); !kept.empty())
            LogErrorPrintf(kLogIndent, "%s is not a file; it is set aside as %s.", AppShownPath(path).c_str(),
                           AppShownPath(kept).c_str());
    }
    // A file written aside whose rename a stop prevented: the file it was to
    // replace is whole (or was never made), so the copy is of no use. Anything
    // else at such a name is not the game's, and every write of its file
    // would fail while it stands there: it is set aside.
    for (const std::u16string& name : names) {
        const bool aside = name == u"profiles.dat.bak" ||
                           WinAsideNumber(name, u"profile", u".dat.bak") != 0 ||
                           WinAsideNumber(name, u"records", u".txt.bak") != 0;
        if (!aside) continue;
        const std::u16string path = folder_ + u"\\" + name;
        if (IsPlayersOwnFile(path)) {
            if (platform::DeleteFile(platform::GamePath(path)))
                LogLabelPrintf(kLogIndent, "Profiles",
                               "%s, written before a stop but never put in place, is deleted",
                               Narrow(name).c_str());
        } else if (const std::u16string kept = KeepAside(path, u".bad"); !kept.empty()) {
            LogSetAside(path, kept);
        }
    }
}

std::vector<std::u16string> ProfileManager::UnsavedFileNames() const {
    std::vector<std::u16string> names;
    for (uint32_t number : unsavedProfiles_) {
        names.push_back(u"profile" + kis::DecimalText(number) + u".dat");
        if (pendingLines_.count(number)) names.push_back(u"records" + kis::DecimalText(number) + u".txt");
    }
    if (listUnsaved_) names.push_back(u"profiles.dat");
    return names;
}

bool ProfileManager::RetryWrites() {
    ForgetFailure(); // what stops the writes now is told
    const std::set<uint32_t> numbers = std::move(unsavedProfiles_);
    unsavedProfiles_.clear();
    for (uint32_t number : numbers)
        if (const Profile* profile = FindByNumber(number)) WriteProfile(*profile);
    if (listUnsaved_) SaveList();
    return !HasUnsavedFiles();
}

bool ProfileManager::SaveList() {
    FieldWriter list;
    list.U32(current_ ? current_->Number() : setAsideCurrent_);
    list.U32(uint32_t(profiles_.size() + setAside_.size()));
    for (const auto& profile : profiles_)
        list.U32(profile->Number());
    for (uint32_t number : setAside_) // kept until their files read again
        list.U32(number);
    FieldWriter best;
    for (const auto& regime : best_)
        for (const Best& entry : regime) {
            best.U32(entry.ms);
            best.Units(entry.holder, kProfileNameUnits);
        }
    // A list that did not open for a passing cause is read first, once it
    // does: the players it names are the store's again, and none is lost.
    if (!listUnread_.empty()) {
        if (const int error = platform::OpenForReadError(platform::GamePath(ListPath()));
            platform::PassingFileError(error)) {
            listUnsaved_ = true;
            NoteFailure(ListPath(), {}, platform::FileErrorText(error, platform::kFileRead));
            return false;
        }
        listUnread_.clear();
        uint32_t current = 0;
        std::vector<uint32_t> numbers;
        if (ReadList(&current, &numbers)) {
            for (uint32_t number : numbers)
                AddListed(number);
            if (!current_) setAsideCurrent_ = current; // the player the list names stays its current one
            return SaveList();
        }
        listDamaged_ = InspectUserEntry(ListPath()) != UserEntry::Missing;
    }
    // A list that could not be read is kept beside before it is replaced.
    if (listDamaged_ && !writesRefused_) {
        if (const std::u16string aside = KeepAside(ListPath(), u".bad"); !aside.empty()) {
            LogLabelPrintf(kLogIndent, "Profiles", "the unreadable list is kept as %s",
                           AppShownPath(aside).c_str());
            report_.listKeptAs = aside;
        } else if (InspectUserEntry(ListPath()) != UserEntry::Missing) {
            LogErrorPrintf(kLogIndent, "The unreadable %s cannot be kept aside; it is not written over.",
                           AppShownPath(ListPath()).c_str());
            listUnsaved_ = true;
            NoteFailure(ListPath(), ListPath(), {});
            return false;
        }
        listDamaged_ = false;
    }
    listUnsaved_ = !WriteFile(ListPath(), kListTypeId, kListTypeVersion,
                              {{kChunkList, 1, &list.bytes}, {kChunkBest, 1, &best.bytes}});
    if (!listUnsaved_) ++writtenFiles_;
    return !listUnsaved_;
}

bool ProfileManager::SaveCurrent() {
    const bool profile = !current_ || WriteProfile(*current_);
    return SaveList() && profile;
}

bool ProfileManager::ReadList(uint32_t* current, std::vector<uint32_t>* numbers) {
    ReaderPtr reader = OpenReader(ListPath(), kListTypeId, kListTypeVersion);
    if (!reader) return false;
    std::vector<uint8_t> list;
    if (!ReadChunk(*reader, kChunkList, 1, &list) || list.size() < 8) return false;
    FieldReader in(list.data(), list.size());
    *current = in.U32();
    const uint32_t count = in.U32();
    if (count > uint32_t(kMaxProfiles) || list.size() != 8 + size_t(count) * 4) return false;
    for (uint32_t i = 0; i < count; ++i)
        numbers->push_back(in.U32());
    std::vector<uint8_t> best;
    if (ReadChunk(*reader, kChunkBest, 1, &best) && best.size() == kBestChunkSize) {
        FieldReader bestIn(best.data(), best.size());
        for (auto& regime : best_)
            for (Best& entry : regime) {
                entry.ms = bestIn.U32();
                bestIn.Units(entry.holder, kProfileNameUnits);
                entry.holder[kProfileNameUnits - 1] = 0;
            }
    } else {
        LogLabelPrintf(kLogIndent, "Profiles", "the best times of profiles.dat are missing or damaged");
    }
    return true;
}

std::unique_ptr<Profile> ProfileManager::ReadProfile(uint32_t number, const std::u16string& file,
                                                     const char** why, bool whole) {
    const std::u16string path = file.empty() ? ProfilePath(number) : file;
    const std::string name = AppShownPath(path);
    auto refuse = [&](const char* reason) {
        if (why)
            *why = reason;
        else
            LogErrorPrintf(kLogIndent, "The profile %s is left out (the file is kept): %s.", name.c_str(),
                           reason);
        return nullptr;
    };
    if (number == 0) return refuse("number 0");
    if (const UserEntry entry = InspectUserEntry(path); entry != UserEntry::File)
        return refuse(entry == UserEntry::Missing ? "the file is missing"
                                                  : "it is not a file but a folder, a pipe or a link");
    ReaderPtr reader = OpenReader(path, kProfileTypeId, kProfileTypeVersion);
    if (!reader) return refuse("not a readable profile file");
    std::vector<uint8_t> bytes;
    if (!ReadChunk(*reader, kChunkProfile, 1, &bytes)) return refuse("no profile record");
    if (bytes.size() != sizeof(ProfileRecord)) return refuse("the profile record has the wrong size");
    ProfileRecord record = {};
    DecodeProfile(bytes, &record);
    if (record.number != number) return refuse("the record's number is not the file's");
    const std::u16string stored = NameOf(record.name);
    std::u16string normal;
    const int32_t nameError = CheckName(stored.c_str(), &normal, nullptr);
    if (nameError == kProfileErrorEmpty || nameError == kProfileErrorTooLong)
        return refuse("the name is unusable");
    if (nameError == kProfileOk && normal != stored) {
        std::fill(std::begin(record.name), std::end(record.name), u'\0');
        std::copy(normal.begin(), normal.end(), record.name);
    }
    record.name[kProfileNameUnits - 1] = 0;
    if (int repairs = RepairResults(record.results); repairs && !why)
        LogLabelPrintf(kLogIndent, "Profiles", "%s: %d values out of range were mended", name.c_str(),
                       repairs);

    auto profile = std::make_unique<Profile>(this, record);
    // Saved games: one per regime and level; the level checks the stream itself.
    const std::vector<kis::DataFileEntry> entries = reader->GetRoot().entries;
    for (const kis::DataFileEntry& entry : entries) {
        if (entry.id != kChunkSave) continue;
        const uint32_t regime = entry.subId / 256, level = entry.subId % 256;
        std::vector<uint8_t> save;
        if (regime >= uint32_t(kRegimeCount) || level >= uint32_t(kProfileLevelCount) || entry.size == 0 ||
            entry.size > kMaxSaveSize || !ReadChunk(*reader, kChunkSave, entry.subId, &save)) {
            if (whole) return refuse("a saved game does not read");
            LogErrorPrintf(kLogIndent, "%s: the saved game 0x%X is dropped.", name.c_str(), entry.subId);
            continue;
        }
        profile->saves_[entry.subId] = std::move(save);
    }
    return profile;
}

void ProfileManager::AddListed(uint32_t number) {
    if (number == 0 || FindByNumber(number) ||
        std::find(setAside_.begin(), setAside_.end(), number) != setAside_.end())
        return; // listed twice
    std::unique_ptr<Profile> profile = ReadProfile(number);
    if (profile && CheckName(profile->Name(), nullptr, nullptr) == kProfileErrorUsed) {
        LogErrorPrintf(kLogIndent, "The profile %s is set aside: another profile has its name.",
                       AppShownPath(ProfilePath(number)).c_str());
        profile.reset();
    }
    if (!profile) {
        setAside_.push_back(number);
        report_.setAside.push_back(ProfilePath(number));
        return;
    }
    profiles_.push_back(std::move(profile));
}

bool ProfileManager::RebuildList() {
    std::vector<uint32_t> numbers;
    for (const std::u16string& name : platform::FolderEntries(platform::GamePath(folder_))) {
        // profile<N>.dat, N a number without leading zeros: the names the store writes.
        const std::u16string_view prefix = u"profile", suffix = u".dat";
        if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        const std::u16string digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
        if (digits.size() > 9 || digits[0] == u'0' ||
            !std::all_of(digits.begin(), digits.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; }))
            continue;
        uint32_t number = 0;
        for (char16_t c : digits)
            number = number * 10 + uint32_t(c - u'0');
        numbers.push_back(number);
    }
    std::sort(numbers.begin(), numbers.end()); // numbers are given in turn: the oldest first
    for (uint32_t number : numbers) {
        if (Count() + SetAsideCount() >= kMaxProfiles) {
            LogErrorPrintf(kLogIndent, "The profile %s is left out: the list is full (the file is kept).",
                           AppShownPath(ProfilePath(number)).c_str());
            continue;
        }
        AddListed(number);
    }
    // Each profile keeps its own best times: the best of all is theirs again.
    for (const auto& profile : profiles_)
        for (uint32_t regime = 0; regime < uint32_t(kRegimeCount); ++regime)
            for (int32_t level = 0; level < kProfileLevelCount; ++level)
                if (const uint32_t ms = profile->record_.results.regimes[regime].levels[level].bestMs)
                    OfferBestTime(regime, level, ms, profile->Name());
    return !numbers.empty();
}

void ProfileManager::Load() {
    report_ = LoadReport();
    FinishWinWrites();
    for (const auto& profile : profiles_)
        Notify(ProfileEvent::Deleted, profile.get());
    profiles_.clear();
    current_ = nullptr;
    for (auto& regime : best_)
        for (Best& entry : regime)
            entry = Best();
    listDamaged_ = false;
    setAside_.clear();
    setAsideCurrent_ = 0;
    pendingLines_.clear(); // their wins went with the profiles read before

    uint32_t current = 0;
    std::vector<uint32_t> numbers;
    // Anything at the list's name that is no readable file counts as a list
    // that does not read: a folder or a broken link there is set aside like a
    // damaged file.
    const bool listed = InspectUserEntry(ListPath()) != UserEntry::Missing;
    listUnread_.clear();
    if (const int error = InspectUserEntry(ListPath()) == UserEntry::File
                              ? platform::OpenForReadError(platform::GamePath(ListPath()))
                              : 0;
        platform::PassingFileError(error)) {
        // Neither damaged nor unreadable: it stays as it is, and is not written over before it is read.
        listUnread_ = platform::FileErrorText(error, platform::kFileRead);
        LogErrorPrintf(kLogIndent,
                       "profiles.dat cannot be read now (%s); it stays as it is, and no player is read.",
                       listUnread_.c_str());
    } else if (platform::FileExists(platform::GamePath(ListPath())) && ReadList(&current, &numbers)) {
        for (uint32_t number : numbers)
            AddListed(number);
        current_ = FindByNumber(current);
        if (!current_ && std::find(setAside_.begin(), setAside_.end(), current) != setAside_.end())
            setAsideCurrent_ = current;
    } else {
        if (listed) {
            LogErrorPrintf(kLogIndent, "profiles.dat cannot be read; the list is made again from the "
                                       "profile files.");
            listDamaged_ = true;
            // A file the game may not open is not known to be damaged: the player is told which it is.
            report_.listUnreadable =
                InspectUserEntry(ListPath()) == UserEntry::File &&
                !platform::File::Open(platform::GamePath(ListPath()), platform::kFileRead,
                                      platform::FileCreation::OpenExisting)
                     .IsOpen();
        }
        if (RebuildList() || listed) {
            if (!listed)
                LogErrorPrintf(kLogIndent, "profiles.dat is missing; the list is made again from the "
                                           "profile files.");
            report_.listRebuilt = true;
            report_.listMissing = !listed;
            SaveList();
        }
    }
    if (!setAside_.empty())
        LogLabelPrintf(kLogIndent, "Profiles", "%d set aside until their files read", SetAsideCount());
    LogLabelPrintf(kLogIndent, "Profiles", "%d read", Count());
}

// ---------------------------------------------------------------- store: profiles

Profile* ProfileManager::GetProfile(int32_t i) const {
    if (i < 0 || i >= Count()) return nullptr;
    return profiles_[size_t(Count() - 1 - i)].get();
}

Profile* ProfileManager::FindByNumber(uint32_t number) const {
    for (const auto& profile : profiles_)
        if (profile->Number() == number) return profile.get();
    return nullptr;
}

// Numbers are not given again while any file of theirs is there: an
// unreadable profile's file and an old profile's records stay with their owner.
uint32_t ProfileManager::FreeNumber() const {
    for (uint32_t n = 1;; ++n) {
        if (FindByNumber(n) || std::find(setAside_.begin(), setAside_.end(), n) != setAside_.end()) continue;
        if (platform::PathExists(platform::GamePath(ProfilePath(n))) ||
            platform::PathExists(platform::GamePath(RecordsPath(n))))
            continue;
        return n;
    }
}

Profile* ProfileManager::CreateProfile(const char16_t* name, int32_t* error) {
    int32_t spare;
    int32_t& result = error ? *error : spare;
    if (Count() + SetAsideCount() >= kMaxProfiles) {
        result = kProfileErrorTooMany;
        return nullptr;
    }
    std::u16string normal;
    result = NormalizeName(name, &normal);
    if (result != kProfileOk) return nullptr;

    ProfileRecord record = {};
    std::copy(normal.begin(), normal.end(), record.name);
    record.number = FreeNumber();
    record.results.tutorial = 1;
    for (RegimeProgress& regime : record.results.regimes) {
        std::fill(std::begin(regime.chosen), std::end(regime.chosen), -1);
        regime.levels[0].status = kLevelOpen; // a new player can start the first level
    }
    auto profile = std::make_unique<Profile>(this, record);
    if (!WriteProfile(*profile)) {
        result = kProfileErrorWrite;
        return nullptr;
    }
    profiles_.push_back(std::move(profile));
    SaveList();
    return profiles_.back().get();
}

void ProfileManager::DeleteProfile(Profile* profile) {
    auto found = std::find_if(profiles_.begin(), profiles_.end(),
                              [&](const std::unique_ptr<Profile>& p) { return p.get() == profile; });
    if (found == profiles_.end()) return;
    if (current_ == profile) Notify(ProfileEvent::CurrentLeaving, profile);
    Notify(ProfileEvent::Deleted, profile);
    if (current_ == profile) {
        current_ = nullptr;
        Notify(ProfileEvent::CurrentChanged, nullptr);
    }
    const std::u16string path = ProfilePath(profile->Number());
    pendingLines_.erase(profile->Number()); // never another profile's, should the number come again
    profiles_.erase(found);
    // The file goes only once the list without it is written: a list that
    // still names the profile always finds its file.
    if (SaveList()) platform::DeleteFile(platform::GamePath(path));
}

void ProfileManager::SetCurrent(Profile* profile) {
    if (profile && !FindByNumber(profile->Number())) return;
    if (profile == current_) return;
    if (current_) Notify(ProfileEvent::CurrentLeaving, current_);
    if (profile) setAsideCurrent_ = 0;
    current_ = profile;
    Notify(ProfileEvent::CurrentChanged, profile);
    SaveList();
}

uint32_t ProfileManager::BestTime(uint32_t regime, int32_t level) const {
    if (regime >= uint32_t(kRegimeCount) || level < 0 || level >= kProfileLevelCount) return 0;
    return best_[regime][level].ms;
}

const char16_t* ProfileManager::BestHolder(uint32_t regime, int32_t level) const {
    if (regime >= uint32_t(kRegimeCount) || level < 0 || level >= kProfileLevelCount) return u"";
    return best_[regime][level].holder;
}

bool ProfileManager::OfferBestTime(uint32_t regime, int32_t level, uint32_t ms, const char16_t* holder) {
    Best& best = best_[regime][level];
    if (best.ms != 0 && ShownSecond(ms) >= ShownSecond(best.ms)) return false; // as the times read
    best.ms = ms;
    std::fill(std::begin(best.holder), std::end(best.holder), u'\0');
    for (int i = 0; i < kProfileNameUnits - 1 && holder[i]; ++i)
        best.holder[i] = holder[i];
    return true;
}

void ProfileManager::AddListener(const void* key, ProfileListener listener) {
    listeners_.emplace_back(key, std::move(listener));
}

void ProfileManager::RemoveListener(const void* key) {
    std::erase_if(listeners_, [&](const auto& entry) { return entry.first == key; });
}

void ProfileManager::Notify(ProfileEvent event, Profile* profile) {
    const auto listeners = listeners_; // a listener may remove itself
    for (const auto& entry : listeners)
        entry.second(event, profile);
}

// ---------------------------------------------------------------- selection and errors

bool SelectProfile(Profile* profile) {
    if (!profile) return false;
    ProfileManager& manager = *profile->owner_;
    if (manager.Current() == profile) return true;
    const int32_t error = manager.CheckName(profile->Name(), nullptr, profile);
    if (error != kProfileOk) {
        ShowProfileError(error);
        return false;
    }
    ++profile->record_.useCount;
    manager.SetCurrent(profile);
    // The notices told the last player of their game.
    if (WindowManager* windows = GetWindowManager()) {
        windows->Messages().DeleteAll();
        windows->Awards().DeleteAll();
    }
    return manager.SaveCurrent();
}

const char16_t* ProfileErrorKey(int32_t error) {
    switch (error) {
    case kProfileErrorEmpty:
        return u"err_empty";
    case kProfileErrorUsed:
        return u"err_used";
    case kProfileErrorWrite:
        return u"err_write";
    default:
        return u"err_unknown";
    }
}

void SetProfileErrorPresenter(void (*present)(const char16_t* caption, const char16_t* text)) {
    if (AppState* state = RunningAppState()) state->presentSaveError = present;
}

void ShowProfileError(int32_t error) {
    const GameLanguage* language = AppLanguage();
    const char16_t* caption = language ? language->GetText(u"profile_errors", u"error", true) : u"error";
    const char16_t* found = language ? language->GetText(u"profile_errors", ProfileErrorKey(error), true)
                                     : ProfileErrorKey(error);
    std::u16string filled = found ? found : u"";
    // A file that could not be written names its folder, as a failed save
    // does; the dialog breaks it to its width.
    const ProfileManager* profiles = AppProfiles();
    if (const size_t mark = profiles ? filled.find(u"%1") : std::u16string::npos;
        mark != std::u16string::npos)
        filled.replace(mark, 2, platform::Utf8ToUtf16(AppShownPath(profiles->Folder())));
    // And why, where the failed write or a new file in the folder now says; the cause is not guessed.
    if (const size_t mark = profiles ? filled.find(u"%2") : std::u16string::npos;
        mark != std::u16string::npos) {
        std::string cause = profiles->FailureCause();
        if (cause.empty()) cause = WriteFailureIn(profiles->Folder());
        const char16_t* unknown =
            language ? language->GetText(u"dialogs", u"save_cause_unknown", true) : nullptr;
        filled.replace(mark, 2,
                       !cause.empty() ? platform::Utf8ToUtf16(cause)
                       : unknown      ? std::u16string(unknown)
                                      : u"the game cannot tell why");
    }
    const char16_t* text = filled.c_str();
    std::string line = Narrow(text);
    std::replace(line.begin(), line.end(), '\n', ' ');
    LogLabelValue(kLogIndent, "Profile error", (std::to_string(error) + ": " + line).c_str()); // whole
    const AppState* state = RunningAppState();
    if (state && state->presentSaveError) {
        state->presentSaveError(caption ? caption : u"", text);
        return;
    }
    WindowManager* windows = GetWindowManager();
    if (!windows) return;
    windows->Open<DialogWindow>(DialogParams::Make(kDialogOk, 0, nullptr, nullptr),
                                DialogTexts{text, caption ? caption : u""}, nullptr, 0, 0);
    LogLine(kLogIndent, "The profile error dialog opens.");
}

std::vector<uint8_t> ProfileCharacterMap(std::u16string_view characters) {
    std::vector<uint8_t> map(65537, 0);
    for (char16_t c : characters)
        if (c >= 32) map[c] = 1;
    return map;
}
