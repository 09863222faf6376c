#include "settings/PendingQueueStore.h"

#include "settings/SettingsStore.h"
#include "win/RegKey.h"

namespace settings {

namespace {

constexpr wchar_t kDocumentsValue[] = L"Documents";
constexpr wchar_t kQueueOpenAfterValue[] = L"OpenAfter";
// Each document is this many strings; each string begins with a marker character, so
// that an empty field does not end the list.
constexpr size_t kFieldsPerDocument = 5;
constexpr wchar_t kFieldMarker = L'|';

void addField(std::vector<wchar_t>& data, const std::wstring& field)
{
    data.push_back(kFieldMarker);
    data.insert(data.end(), field.begin(), field.end());
    data.push_back(L'\0');
}

} // namespace

PendingQueueStore::PendingQueueStore() : keyPath_(settingsKeyPath() + L"\\Queues") {}

void PendingQueueStore::write(const PendingQueue& queue) const
{
    if (queue.documents.empty()) {
        remove(queue.id);
        return;
    }
    const win::RegKey key = win::RegKey::create(HKEY_CURRENT_USER, keyPath_ + L"\\" + queue.id);
    if (!key) {
        return;
    }
    std::vector<wchar_t> data;
    for (const PendingDocument& document : queue.documents) {
        addField(data, document.input);
        addField(data, document.output);
        addField(data, document.converterArguments);
        addField(data, document.logPath);
        addField(data, document.replaceOutput ? L"1" : L"0");
    }
    data.push_back(L'\0');
    key.writeBinary(kDocumentsValue, REG_MULTI_SZ, data.data(), static_cast<DWORD>(data.size() * sizeof(wchar_t)));
    key.writeDword(kQueueOpenAfterValue, queue.openAfterConversion ? 1 : 0);
}

void PendingQueueStore::remove(const std::wstring& id) const
{
    const win::RegKey key = win::RegKey::open(HKEY_CURRENT_USER, keyPath_, KEY_READ | KEY_WRITE | DELETE);
    key.deleteTree(id);
}

std::vector<std::wstring> PendingQueueStore::ids() const
{
    return win::RegKey::open(HKEY_CURRENT_USER, keyPath_).subkeyNames();
}

PendingQueue PendingQueueStore::read(const std::wstring& id) const
{
    PendingQueue queue;
    queue.id = id;
    const win::RegKey key = win::RegKey::open(HKEY_CURRENT_USER, keyPath_ + L"\\" + id);
    const auto raw = key.readRaw(kDocumentsValue);
    if (!raw || raw->type != REG_MULTI_SZ) {
        return queue;
    }
    const auto* text = reinterpret_cast<const wchar_t*>(raw->data.data());
    const size_t characters = raw->data.size() / sizeof(wchar_t);
    std::vector<std::wstring> fields;
    for (size_t at = 0; at < characters && text[at] == kFieldMarker;) {
        size_t end = at;
        while (end < characters && text[end] != L'\0') {
            ++end;
        }
        fields.emplace_back(text + at + 1, end - at - 1);
        at = end + 1;
    }
    for (size_t i = 0; i + kFieldsPerDocument <= fields.size(); i += kFieldsPerDocument) {
        queue.documents.push_back({fields[i], fields[i + 1], fields[i + 2], fields[i + 3], fields[i + 4] == L"1"});
    }
    queue.openAfterConversion = key.readDword(kQueueOpenAfterValue).value_or(0) != 0;
    return queue;
}

} // namespace settings
