#include "storage/settings_store.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "core/atomic_file.h"

namespace tonmark {

namespace {

// The store as an opened key: present only when the file holds a JSON object.
// reason, when given, says why it could not be opened.
std::optional<QJsonObject> OpenKey(const std::string& path, std::string* reason = nullptr) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes, reason))
        return std::nullopt;
    QJsonParseError err{};
    const QJsonDocument doc = QJsonDocument::fromJson(
        QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), &err);
    if (err.error != QJsonParseError::NoError || !doc.isObject()) {
        if (reason)
            *reason = "the file does not hold the settings";
        return std::nullopt;
    }
    return doc.object();
}

// The store's message, then the file and why, so that the user can mend it.
RegistryError StoreError(const std::string& text, const std::string& path,
                         const std::string& reason) {
    return RegistryError(text + "\n\"" + path + "\": " + reason);
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
    const std::string quoted = "'" + std::string(name) + "'";
    if (!key || !key->contains(Key(name)))
        throw RegistryError("Failed to get data for " + quoted);
    if (auto v = AsInt32(key->value(Key(name))))
        return *v;
    throw RegistryError("Invalid data type for " + quoted);
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

void ApplyDefaults(Settings& s, DeviceListSizes lists) {
    ApplyDefaultGraphColours(s);
    s.WaveOutDevice = lists.waveOut > 0 ? 0 : -1;
    s.MixerDevice = lists.mixer > 0 ? 0 : -1;
}

void ReadAll(Settings& s, const std::optional<QJsonObject>& key, DeviceListSizes lists) {
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
    }
}

// The rows in the order in which they are written: the calibration file's
// name and its print flag last.
std::vector<const StoredSetting*> WriteOrder() {
    std::vector<const StoredSetting*> rows;
    const StoredSetting* printCal = nullptr;
    for (const StoredSetting& row : StoredSettings())
        if (row.name == "Print Cal File")
            printCal = &row;
        else
            rows.push_back(&row);
    rows.push_back(printCal);
    return rows;
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

void SettingsStore::ReadRegistry(Settings& settings, DeviceListSizes lists, Dialogs& dialogs,
                                 const std::function<void()>& openSettingsOnHardwarePage) {
    const auto key = OpenKey(path_);
    try {
        ReadAll(settings, key, lists);
    } catch (const RegistryError&) {
        dialogs.ShowMessage(kMsgRegistryDefaults);
        ApplyDefaults(settings, lists);
    }
    // Opened afresh, as a separate key access; not protected: its failure
    // goes to the caller.
    std::string reason;
    const auto again = OpenKey(path_, &reason);
    int32_t firstRun = 0;
    try {
        firstRun = ReadInteger(again, "FirstRun");
    } catch (const RegistryError& e) {
        throw StoreError(e.what(), path_,
                         again ? "the value is missing or not a whole number" : reason);
    }
    if (firstRun != 1)
        return;
    if (dialogs.AskConfirmation(kMsgFirstRunIntro, kHelpIntroduction))
        dialogs.ShowHelpTopic(kHelpIntroduction);
    dialogs.ShowMessage(kMsgFirstRunCheck);
    QJsonObject obj = *again;
    obj.insert("FirstRun", 0);
    if (const std::string why = WriteFileAtomically(path_, Serialise(obj)); !why.empty())
        throw StoreError("Failed to set data for 'FirstRun'", path_, why);
    if (openSettingsOnHardwarePage)
        openSettingsOnHardwarePage();
}

void SettingsStore::WriteRegistry(const Settings& settings) {
    const auto rows = WriteOrder();
    const std::string firstFailure = "Failed to set data for '" + rows.front()->name + "'";
    std::string reason;
    auto key = OpenKey(path_, &reason);
    if (!key)
        throw StoreError(firstFailure, path_, reason);
    for (const StoredSetting* row : rows)
        key->insert(Key(row->name), ToJson(row->get(settings)));
    // The whole set lands at once or not at all.
    if (const std::string why = WriteFileAtomically(path_, Serialise(*key)); !why.empty())
        throw StoreError(firstFailure, path_, why);
}

bool SettingsStore::ValueExists(const std::string& name) {
    const auto key = OpenKey(path_);
    return key && key->contains(QString::fromStdString(name));
}

void SettingsStore::WriteTrue(const std::string& name) {
    auto key = OpenKey(path_);
    if (!key)
        return;
    key->insert(QString::fromStdString(name), 1);
    WriteFileAtomically(path_, Serialise(*key));
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
