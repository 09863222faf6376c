#include "converter/MessageExport.h"

#include "base/Text.h"
#include "win/Handle.h"

namespace converter {

bool filterPasses(MessageFilter filter, MessageType type)
{
    switch (filter) {
    case MessageFilter::WarningsAndErrors:
        return type == MessageType::Warn || type == MessageType::Error;
    case MessageFilter::ErrorsOnly:
        return type == MessageType::Error;
    default:
        return true;
    }
}

void FilteredRows::rebuild(const MessageStore& store, MessageFilter filter)
{
    filter_ = filter;
    scanned_ = 0;
    shown_.clear();
    shown_.shrink_to_fit();
    takeNewRows(store);
}

void FilteredRows::takeNewRows(const MessageStore& store)
{
    if (filter_ != MessageFilter::All) {
        for (size_t row = scanned_; row < store.size(); ++row) {
            if (filterPasses(filter_, store.type(row))) {
                shown_.push_back(static_cast<std::uint32_t>(row));
            }
        }
    }
    scanned_ = store.size();
}

std::wstring rowsAsText(const MessageStore& store, const std::vector<size_t>& storeRows, const std::wstring (&typeNames)[3])
{
    std::wstring text;
    for (const size_t row : storeRows) {
        const int type = static_cast<int>(store.type(row));
        text.append(type >= 0 && type < 3 ? typeNames[type] : std::wstring());
        text.push_back(L'\t');
        text.append(store.page(row));
        text.push_back(L'\t');
        text.append(store.description(row));
        text.append(L"\r\n");
    }
    return text;
}

bool saveTextAsUtf8(const std::wstring& path, const std::wstring& text, DWORD& error)
{
    error = 0;
    win::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = GetLastError();
        return false;
    }
    const std::string bytes = "\xEF\xBB\xBF" + base::toUtf8(text);
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) || written != bytes.size()) {
        error = GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
        return false;
    }
    return true;
}

} // namespace converter
