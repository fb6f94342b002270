#include "storage/settings_store.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

#include "core/atomic_file.h"

namespace tonmark {

namespace {

// A value that could not be read: the read stops there.
struct MissingValue {};

// The store as an opened key: present only when the file holds a JSON object.
// opened, when given, says why it could not be opened.
std::optional<QJsonObject> OpenKey(const std::string& path, FileResult* opened = nullptr) {
    std::string bytes;
    if (FileResult r = ReadWholeFile(path, bytes); !r.Done()) {
        if (opened)
            *opened = std::move(r);
        return std::nullopt;
    }
    QJsonParseError err{};
    const QJsonDocument doc = QJsonDocument::fromJson(
        QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), &err);
    if (err.error != QJsonParseError::NoError || !doc.isObject()) {
        if (opened)
            *opened = FileResult::Failed(FileFailure::CannotOpen, path,
                                         "the file does not hold the settings");
        return std::nullopt;
    }
    return doc.object();
}

QString Key(std::string_view name) {
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

std::optional<int32_t> AsInt32(const QJsonValue& v) {
    if (!v.isDouble())
        return std::nullopt;
    const double d = v.toDouble();
    if (d != std::floor(d) || d < -2147483648.0 || d > 2147483647.0)
        return std::nullopt;
    return static_cast<int32_t>(d);
}

int32_t ReadInteger(const std::optional<QJsonObject>& key, std::string_view name) {
    if (!key || !key->contains(Key(name)))
        throw MissingValue{};
    if (auto v = AsInt32(key->value(Key(name))))
        return *v;
    throw MissingValue{};
}

// A missing text, or one of another type, reads as the empty text.
std::string ReadText(const std::optional<QJsonObject>& key, std::string_view name) {
    if (!key)
        return {};
    const QJsonValue v = key->value(Key(name));
    return v.isString() ? v.toString().toStdString() : std::string();
}

int32_t ListSelection(int32_t stored, int count) {
    return (stored >= 0 && stored < count) ? stored : -1;
}

// What a value that cannot be read falls back to, beside the controls' own
// state; the installation store is written from the same.
void ApplyFallbacks(Settings& s) {
    ApplyDefaultGraphColours(s);
    s.WaveOutDevice = 0;
    s.MixerDevice = 0;
}

void ApplyDefaults(Settings& s, DeviceListSizes lists) {
    ApplyFallbacks(s);
    s.WaveOutDevice = ListSelection(s.WaveOutDevice, lists.waveOut);
    s.MixerDevice = ListSelection(s.MixerDevice, lists.mixer);
}

// Counts in read the rows taken from the store before a value failed.
void ReadAll(Settings& s, const std::optional<QJsonObject>& key, DeviceListSizes lists,
             size_t& read) {
    for (const StoredSetting& row : StoredSettings()) {
        switch (row.type) {
        case SettingType::Flag:
            row.set(s, ReadInteger(key, row.name) != 0);
            break;
        case SettingType::Text:
            row.set(s, ReadText(key, row.name));
            break;
        case SettingType::Colour:
            row.set(s, ReadInteger(key, row.name));
            break;
        case SettingType::Integer: {
            const int count = row.list == DeviceList::Mixer ? lists.mixer : lists.waveOut;
            row.set(s, ListSelection(ReadInteger(key, row.name), count));
            break;
        }
        }
        ++read;
    }
}

// Whether ReadRegistry would take the stored value as it is.
bool Readable(const StoredSetting& row, const QJsonValue& v) {
    return row.type == SettingType::Text ? v.isString() : AsInt32(v).has_value();
}

QJsonValue ToJson(const StoredValue& v) {
    if (const bool* flag = std::get_if<bool>(&v))
        return *flag ? 1 : 0;
    if (const int32_t* number = std::get_if<int32_t>(&v))
        return *number;
    return QString::fromStdString(std::get<std::string>(v));
}

std::string Serialise(const QJsonObject& obj) {
    const QByteArray out = QJsonDocument(obj).toJson(QJsonDocument::Indented);
    return std::string(out.constData(), static_cast<size_t>(out.size()));
}

// One program's read-change-replace of the file at a time: an exclusive lock
// on the file's folder (the file itself is replaced, so its lock would not
// hold), released when the object ends. Without the folder, on a file system
// that refuses the lock, or when another holder keeps it beyond two seconds,
// the change goes ahead unlocked: the file is replaced whole all the same.
class FolderLock {
  public:
    explicit FolderLock(const std::string& path) {
        std::string folder = std::filesystem::path(path).parent_path().string();
        fd_ = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ < 0)
            return;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) ||
                std::chrono::steady_clock::now() > deadline)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    ~FolderLock() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

  private:
    int fd_ = -1;
};

} // namespace

std::string SettingsStore::DefaultPath() {
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.config";
    else
        base = ".config";
    return base + "/Velbrook/Tonmark.json";
}

SettingsRead SettingsStore::ReadRegistry(Settings& settings, DeviceListSizes lists) {
    size_t read = 0;
    SettingsRead result = SettingsRead::AllRead;
    try {
        ReadAll(settings, OpenKey(path_), lists, read);
    } catch (const MissingValue&) {
        result = SettingsRead::DefaultsUsed;
    }
    // Taken after the whole read: setting "CTRL" may clear "Joystick".
    const auto& table = StoredSettings();
    baseline_.assign(table.size(), std::nullopt);
    for (size_t i = 0; i < read; ++i)
        baseline_[i] = table[i].get(settings);
    if (result == SettingsRead::DefaultsUsed)
        ApplyDefaults(settings, lists);
    return result;
}

FileResult SettingsStore::ReadFirstRun(int32_t& value) {
    FileResult opened;
    const auto key = OpenKey(path_, &opened);
    if (!key)
        return opened;
    const char* why = "the value is missing or not a whole number";
    const QJsonValue v = key->value("FirstRun");
    if (v.isUndefined())
        return FileResult::Failed(FileFailure::Damaged, path_, why);
    const auto number = AsInt32(v);
    if (!number)
        return FileResult::Failed(FileFailure::WrongKind, path_, why);
    value = *number;
    return FileResult::Ok();
}

FileResult SettingsStore::ClearFirstRun() {
    const FolderLock lock(path_);
    FileResult opened;
    auto key = OpenKey(path_, &opened);
    if (!key)
        return opened;
    key->insert("FirstRun", 0);
    return WriteFileAtomically(path_, Serialise(*key));
}

FileResult SettingsStore::WriteRegistry(const Settings& settings) {
    const FolderLock lock(path_);
    // Afresh: another program may have saved since this one read.
    FileResult opened;
    auto key = OpenKey(path_, &opened);
    if (!key)
        return opened;
    const auto& table = StoredSettings();
    std::vector<std::optional<StoredValue>> now(table.size());
    for (size_t i = 0; i < table.size(); ++i) {
        const StoredSetting& row = table[i];
        now[i] = row.get(settings);
        const bool changed = i >= baseline_.size() || baseline_[i] != now[i];
        if (changed || !Readable(row, key->value(Key(row.name))))
            key->insert(Key(row.name), ToJson(*now[i]));
    }
    // The whole set lands at once or not at all.
    FileResult written = WriteFileAtomically(path_, Serialise(*key));
    if (written.Done())
        baseline_ = std::move(now);
    return written;
}

bool SettingsStore::ValueExists(const std::string& name) {
    const auto key = OpenKey(path_);
    return key && key->contains(QString::fromStdString(name));
}

void SettingsStore::WriteTrue(const std::string& name) {
    const FolderLock lock(path_);
    auto key = OpenKey(path_);
    if (!key)
        return;
    key->insert(QString::fromStdString(name), 1);
    (void)WriteFileAtomically(path_, Serialise(*key));
}

Settings InstallationDefaults() {
    Settings s;
    ApplyFallbacks(s);
    // No selection: the system's default output, which on a desktop with a
    // sound server is the server. Entry 0 of the list is often a card's raw
    // device, which bypasses the server's volume or is busy.
    s.WaveOutDevice = -1;
    return s;
}

FileResult CreateInstallationStore(const std::string& path, bool& created) {
    created = false;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code ec;
    if (!folder.empty())
        std::filesystem::create_directories(folder, ec);
    if (ec)
        return FileResult::Failed(FileFailure::CannotWrite, path, ec.message());
    const Settings defaults = InstallationDefaults();
    QJsonObject key;
    for (const StoredSetting& row : StoredSettings())
        key.insert(Key(row.name), ToJson(row.get(defaults)));
    key.insert("FirstRun", 1);
    return CreateFileAtomically(path, Serialise(key), created);
}

std::string ApplySettingsOverrides(Settings& settings, std::string_view json) {
    QJsonParseError err{};
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray(json.data(), static_cast<qsizetype>(json.size())), &err);
    if (err.error != QJsonParseError::NoError)
        return "invalid JSON: " + err.errorString().toStdString();
    if (!doc.isObject())
        return "settings must be a JSON object";
    const QJsonObject obj = doc.object();
    for (const StoredSetting& row : StoredSettings()) {
        const QJsonValue v = obj.value(Key(row.name));
        if (v.isUndefined())
            continue;
        const std::string bad = "setting '" + row.name + "' has an unusable value";
        switch (row.type) {
        case SettingType::Flag:
            if (v.isBool())
                row.set(settings, v.toBool());
            else if (auto i = AsInt32(v))
                row.set(settings, *i != 0);
            else
                return bad;
            break;
        case SettingType::Text:
            if (v.isString())
                row.set(settings, v.toString().toStdString());
            else if (v.isDouble())
                row.set(settings, QString::number(v.toDouble(), 'g', 17).toStdString());
            else
                return bad;
            break;
        case SettingType::Integer:
        case SettingType::Colour:
            if (auto i = AsInt32(v))
                row.set(settings, *i);
            else
                return bad;
            break;
        }
    }
    return {};
}

} // namespace tonmark
