#include "files/Recovery.h"

#include "files/InputFile.h"
#include "files/StateRecord.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <map>
#include <tuple>

#include <unistd.h>

namespace tarvik {

namespace {

constexpr std::string_view kMagic = "TARVIK-RECOVERY-1\n";
constexpr std::string_view kPrefix = "recovery-";
constexpr std::string_view kSuffix = ".state";
// A recovery file holds one program file, which is far smaller.
constexpr std::size_t kMaxRecoveryBytes = 64u << 20;

struct Decoded {
    std::uint64_t startTime = 0;
    std::int64_t writtenNs = 0;
    RecoveryState state;
};

std::optional<Decoded> decode(const std::string& bytes)
{
    StateRecordReader in({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, kMagic);
    Decoded decoded;
    decoded.startTime = in.u64();
    decoded.writtenNs = static_cast<std::int64_t>(in.u64());
    decoded.state.untitled = in.u64() != 0;
    decoded.state.fileName = in.text();
    const auto program = in.blob();
    decoded.state.program.assign(program.begin(), program.end());
    FileIdentity& disk = decoded.state.onDisk;
    disk.exists = in.u64() != 0;
    disk.device = in.u64();
    disk.inode = in.u64();
    disk.size = static_cast<std::int64_t>(in.u64());
    disk.modifiedNs = static_cast<std::int64_t>(in.u64());
    disk.contentHash = in.u64();
    if (!in.done())
        return std::nullopt;
    return decoded;
}

std::optional<Decoded> readDecoded(const std::filesystem::path& file)
{
    InputCheck check;
    const std::optional<std::string> bytes = readInputFile(file.string(), kMaxRecoveryBytes, check);
    return bytes ? decode(*bytes) : std::nullopt;
}

bool parseNumber(std::string_view text, int& value)
{
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && problem == std::errc() && end == text.data() + text.size() && value >= 0;
}

// "recovery-PID-SLOT.state"
bool parseName(std::string_view name, int& pid, int& slot)
{
    if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix))
        return false;
    name = name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    const std::size_t dash = name.find('-');
    return dash != std::string_view::npos && parseNumber(name.substr(0, dash), pid)
        && parseNumber(name.substr(dash + 1), slot) && pid > 0;
}

} // namespace

RecoveryStore::RecoveryStore(std::filesystem::path folder) : folder_(std::move(folder)) {}

std::filesystem::path RecoveryStore::pathOf(int pid, int slot) const
{
    return folder_ / (std::string(kPrefix) + std::to_string(pid) + "-" + std::to_string(slot) + std::string(kSuffix));
}

WriteStatus RecoveryStore::write(int slot, const RecoveryState& state, WriteError* error) const
{
    if (const int code = makeStateFolder(folder_); code != 0) {
        if (error)
            *error = {"create the folder " + folder_.string(), code};
        return WriteStatus::CannotOpen;
    }
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    StateRecordWriter out(kMagic);
    out.u64(processStartTime(::getpid()).value_or(0));
    out.u64(static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    out.u64(state.untitled ? 1 : 0);
    out.text(state.fileName);
    out.blob(state.program);
    out.u64(state.onDisk.exists ? 1 : 0);
    out.u64(state.onDisk.device);
    out.u64(state.onDisk.inode);
    out.u64(static_cast<std::uint64_t>(state.onDisk.size));
    out.u64(static_cast<std::uint64_t>(state.onDisk.modifiedNs));
    out.u64(state.onDisk.contentHash);
    WriteOptions options;
    options.flushToDisk = false;
    return writeFileSafely(pathOf(::getpid(), slot).string(), out.finish(), error, options);
}

void RecoveryStore::remove(int slot) const
{
    std::remove(pathOf(::getpid(), slot).c_str());
}

std::vector<RecoveryFile> RecoveryStore::leftBehind() const
{
    std::vector<RecoveryFile> files;
    std::error_code error;
    std::filesystem::directory_iterator entries(folder_, error);
    if (error)
        return files;
    for (; entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::filesystem::directory_entry& entry = *entries;
        RecoveryFile file;
        if (!parseName(entry.path().filename().string(), file.pid, file.slot))
            continue;
        const std::optional<Decoded> decoded = readDecoded(entry.path());
        if (!decoded)
            continue;
        if (processRunning(file.pid, decoded->startTime != 0 ? std::optional(decoded->startTime) : std::nullopt))
            continue;
        file.path = entry.path();
        file.fileName = decoded->state.fileName;
        file.untitled = decoded->state.untitled;
        file.writtenNs = decoded->writtenNs;
        files.push_back(std::move(file));
    }
    // Pids wrap around; the time each process last wrote orders them.
    std::map<int, std::int64_t> lastWrite;
    for (const RecoveryFile& file : files)
        lastWrite[file.pid] = std::max(lastWrite[file.pid], file.writtenNs);
    std::sort(files.begin(), files.end(), [&](const RecoveryFile& a, const RecoveryFile& b) {
        return std::tuple(lastWrite[a.pid], a.pid, a.slot) < std::tuple(lastWrite[b.pid], b.pid, b.slot);
    });
    return files;
}

std::optional<RecoveryState> RecoveryStore::read(const std::filesystem::path& file) const
{
    std::optional<Decoded> decoded = readDecoded(file);
    if (!decoded)
        return std::nullopt;
    return std::move(decoded->state);
}

std::optional<RecoveryState> RecoveryStore::claim(const RecoveryFile& file, int slot) const
{
    // The rename is the claim: of two processes only one can move the file away.
    const std::filesystem::path own = pathOf(::getpid(), slot);
    if (std::rename(file.path.c_str(), own.c_str()) != 0)
        return std::nullopt;
    std::optional<RecoveryState> state = read(own);
    // Written again so that it carries this process's start time rather than the ended one's.
    if (state)
        write(slot, *state);
    return state;
}

bool RecoveryStore::discard(const RecoveryFile& file) const
{
    return std::remove(file.path.c_str()) == 0;
}

} // namespace tarvik
