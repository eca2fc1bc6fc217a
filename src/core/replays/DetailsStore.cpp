#include "core/replays/DetailsStore.h"

namespace clipwarden {

std::string DetailsStore::Open(const std::string& replayFolder) {
    std::string notice = SaveChanges();
    unsaved_ = false;
    index_ = DetailsIndex();
    path_ = cacheFolder_.empty() ? std::string()
                                 : files_.Join(cacheFolder_, DetailsIndex::FileName(replayFolder));
    if (path_.empty()) {
        return notice;
    }
    std::error_code error;
    const auto bytes = files_.ReadSmallFile(path_, kMostIndexBytes, error);
    if (!bytes) {
        if (error == std::errc::no_such_file_or_directory) {
            return notice;
        }
        return "The index of replay details " + path_ + " was not read (" +
               files_.Describe(error) + "); the replays are read again and it is replaced.";
    }
    std::string why;
    auto index = DetailsIndex::Parse(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()), why);
    if (!index) {
        return "The index of replay details " + path_ + " was not used (" + why +
               "); the replays are read again and it is replaced.";
    }
    index_ = std::move(*index);
    return notice;
}

std::string DetailsStore::Save() {
    if (cacheFolder_.empty()) {
        return {}; // asked to keep it in memory
    }
    std::error_code error;
    const auto bytes = index_.Serialize();
    const bool saved =
        !path_.empty() && files_.MakeFolders(cacheFolder_, error) && [&] {
            const std::string temporary =
                files_.WriteTemporary(path_, std::string(bytes.begin(), bytes.end()), error);
            return !temporary.empty() && files_.CommitTemporary(temporary, path_, true, error);
        }();
    unsaved_ = unsaved_ && !saved;
    if (saved || inMemorySaid_) {
        return {};
    }
    inMemorySaid_ = true;
    return "Replay details cannot be kept in " + cacheFolder_ + " (" + files_.Describe(error) +
           "); they live in memory while Clipwarden runs and are read again at its next start. "
           "Check that you may write there.";
}

} // namespace clipwarden
