#include "app/SaveNotices.h"

#include "app/App.h"
#include "app/Config.h"
#include "app/GameScreen.h"
#include "app/GameStates.h"
#include "app/Profiles.h"
#include "app/UserFiles.h"
#include "engine/Log.h"
#include "gui/SpritesWindow.h"
#include "gui/Window.h"
#include "platform/Utf.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

namespace {

// Puts the values in place of "%1", "%2"... of a text of the language, in
// one pass, so that a value holding such a mark stays as it is.
std::u16string Fill(const std::u16string& text, std::initializer_list<std::u16string> values) {
    std::u16string filled;
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t n = i + 1 < text.size() ? size_t(text[i + 1] - u'1') : values.size();
        if (text[i] == u'%' && n < values.size()) {
            filled += values.begin()[n];
            ++i;
        } else {
            filled += text[i];
        }
    }
    return filled;
}

// A folder as the player finds it.
std::u16string Whole(const std::u16string& folder) {
    return platform::Utf8ToUtf16(AppShownPath(folder));
}

// The notice's dialog: tells its owner when it goes, answered or not.
class NoticeDialog : public DialogWindow {
  public:
    NoticeDialog(WindowManager& manager, const DialogParams& params, const DialogTexts& texts,
                 DialogResultCallback answer, SaveNotices* owner, SaveNotices::Kind kind)
        : DialogWindow(manager, params, texts, answer, reinterpret_cast<uintptr_t>(owner), uintptr_t(kind)),
          owner_(owner) {}
    ~NoticeDialog() override { owner_->Forget(this); }

  private:
    SaveNotices* owner_;
};

} // namespace

SaveNotices::SaveNotices(ProfileManager& profiles, std::u16string perUserFolder, std::string perUserProblem)
    : profiles_(profiles), perUserFolder_(std::move(perUserFolder)),
      perUserProblem_(std::move(perUserProblem)) {}

SaveNotices::~SaveNotices() = default;

void SaveNotices::Forget(const void* dialog) {
    if (open_ == dialog) open_ = nullptr;
}

void SaveNotices::Update(WindowManager* windows, int32_t state) {
    if (!windows || open_) return;
    if (state != kStateMainScreen && state != kStateMap && state != kStateLevel) return;
    if (!perUserProblem_.empty() && !folderTold_) {
        Open(*windows, Kind::Folder);
        return;
    }
    if (refusedSaveDue_) {
        Open(*windows, Kind::RefusedSave);
        return;
    }
    for (std::u16string& kept : profiles_.TakeKeptRecords())
        recordsKept_.push_back(std::move(kept));
    if (!recordsKept_.empty()) {
        Open(*windows, Kind::RecordsKept);
        return;
    }
    if ((profiles_.HasUnsavedFiles() && profiles_.FailedWrites() != failuresPutAway_) || settingsDue_)
        Open(*windows, Kind::SaveFailed);
}

void SaveNotices::TellRefusedSave(std::u16string keptAs) {
    refusedSaveDue_ = true;
    refusedSaveKeptAs_ = std::move(keptAs);
}

void SaveNotices::Open(WindowManager& windows, Kind kind) {
    const bool folder = kind == Kind::Folder, refused = kind == Kind::RefusedSave,
               records = kind == Kind::RecordsKept;
    // The folders stand whole: the dialog breaks them to its width.
    const std::u16string text = [&] {
        if (folder)
            return Fill(
                windows.Text(u"dialogs", u"saves_folder_c"),
                {Whole(perUserFolder_), platform::Utf8ToUtf16(perUserProblem_), Whole(profiles_.Folder())});
        if (refused)
            return refusedSaveKeptAs_.empty()
                       ? std::u16string(windows.Text(u"dialogs", u"save_refused_left_c"))
                       : Fill(windows.Text(u"dialogs", u"save_refused_c"), {Whole(refusedSaveKeptAs_)});
        if (records) {
            std::u16string kept;
            for (const std::u16string& path : recordsKept_) {
                if (!kept.empty()) kept += u'\n';
                kept += Whole(path);
            }
            return Fill(windows.Text(u"dialogs", u"records_kept_c"), {kept});
        }
        // A file the game may not read stops the save, not the disk.
        if (const std::u16string& unreadable = profiles_.UnreadableFile(); !unreadable.empty())
            return Fill(windows.Text(u"dialogs", u"save_unreadable_c"), {Whole(unreadable)});
        // So does an entry in the way that the folder does not let it move.
        const std::u16string& blocking =
            profiles_.BlockingEntry().empty() ? settingsBlocking_ : profiles_.BlockingEntry();
        // Only the settings unsaved: they are named, not the player's progress.
        const bool settingsOnly = !profiles_.HasUnsavedFiles();
        if (!blocking.empty())
            return Fill(windows.Text(u"dialogs", settingsOnly ? u"settings_blocked_c" : u"save_blocked_c"),
                        {Whole(blocking)});
        // Else what the failed write met where the system said (the file size limit, too many files
        // open), else what stops a new file in the folder now; where nothing is found, no guess.
        std::string cause = settingsOnly ? settingsCause_ : profiles_.FailureCause();
        if (cause.empty()) cause = WriteFailureIn(profiles_.Folder());
        const std::u16string why = cause.empty()
                                       ? std::u16string(windows.Text(u"dialogs", u"save_cause_unknown"))
                                       : platform::Utf8ToUtf16(cause);
        return Fill(windows.Text(u"dialogs", settingsOnly ? u"settings_failed_c" : u"save_failed_c"),
                    {Whole(profiles_.Folder()), why});
    }();
    std::string line = platform::Utf16ToUtf8(text);
    std::replace(line.begin(), line.end(), '\n', ' ');
    const char* what = folder    ? "folder notice"
                       : refused ? "saved game refused"
                       : records ? "records kept"
                                 : "not saved";
    LogLabelValue(kLogIndent, "Saves", (what + (": " + line)).c_str()); // whole, however long its folders
    const char16_t* caption = folder    ? u"saves_folder"
                              : refused ? u"save_refused"
                              : records ? u"records_kept"
                                        : u"save_failed";
    DialogTexts texts{text, windows.Text(u"dialogs", caption), {}};
    // The files kept stand one a line, a list the dialog cuts short when it would not fit the screen.
    if (const size_t at = records ? text.find(Whole(recordsKept_.front())) : std::u16string::npos;
        at != std::u16string::npos)
        texts.lists.emplace_back(size_t(std::count(text.begin(), text.begin() + std::ptrdiff_t(at), u'\n')),
                                 recordsKept_.size());
    const DialogParams params =
        kind != Kind::SaveFailed
            ? DialogParams::Make(kDialogOk, 0, nullptr, nullptr)
            : DialogParams::Make(kDialogOk, kDialogCancel, windows.Text(u"dialogs", u"retry"), nullptr);
    open_ = windows.Open<NoticeDialog>(params, texts, &SaveNotices::OnAnswer, this, kind);
}

uint32_t SaveNotices::OnAnswer(uintptr_t self, uintptr_t kind, uint32_t command) {
    return reinterpret_cast<SaveNotices*>(self)->Answer(Kind(kind), command);
}

uint32_t SaveNotices::Answer(Kind kind, uint32_t command) {
    if (kind == Kind::Folder) {
        folderTold_ = true;
        LogLabelPrintf(kLogIndent, "Saves", "folder notice closed");
        return 1;
    }
    if (kind == Kind::RecordsKept) {
        recordsKept_.clear();
        LogLabelPrintf(kLogIndent, "Saves", "records notice closed");
        return 1;
    }
    if (kind == Kind::RefusedSave) {
        refusedSaveDue_ = false;
        LogLabelPrintf(kLogIndent, "Saves", "saved game notice closed");
        return 1;
    }
    settingsDue_ = false;
    if (command != kDialogOk) {
        failuresPutAway_ = profiles_.FailedWrites();
        // A later failure is told with its own cause, never this one's.
        profiles_.ForgetFailure();
        settingsBlocking_.clear();
        settingsCause_.clear();
        LogLabelPrintf(kLogIndent, "Saves", "not saved; the player goes on without trying again");
        return 1;
    }
    if (settingsUnsaved_)
        settingsUnsaved_ = !SaveConfig(GetGameScreen(), GetSoundManager(), &(settingsBlocking_ = {}),
                                       &(settingsCause_ = {}));
    if (profiles_.RetryWrites() && !settingsUnsaved_) {
        LogLabelPrintf(kLogIndent, "Saves", "saved on trying again");
        return 1;
    }
    // Still failing: the dialog stays for another try.
    LogLabelPrintf(kLogIndent, "Saves", "still not saved on trying again");
    return 0;
}
