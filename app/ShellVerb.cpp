#include "app/ShellVerb.h"

#include "res/resource.h"
#include "win/Module.h"
#include "win/RegKey.h"
#include "base/StringTable.h"

namespace app {

namespace {

// Key paths are built in a buffer of this many characters, terminator included.
constexpr size_t kKeyPathCapacity = MAX_PATH;
constexpr size_t kProgIdCapacity = MAX_PATH;
constexpr wchar_t kVerbSuffix[] = L"\\shell\\korvello";
constexpr wchar_t kCommandSuffix[] = L"\\command";

} // namespace

void registerVerbForProgId(const std::wstring& progId, const ShellVerbTarget& target)
{
    std::wstring keyPath = progId + kVerbSuffix;
    // The longest path written is the command key's; skip a type whose path cannot fit.
    if (keyPath.size() + (std::size(kCommandSuffix) - 1) + 1 > kKeyPathCapacity) {
        return;
    }
    {
        const win::RegKey verbKey = win::RegKey::create(target.classesRoot, keyPath);
        if (!verbKey) {
            return;
        }
        verbKey.writeString(nullptr, base::loadString(IDS_SHELL_VERB));
        // Without it the file manager shows a command verb for at most 15 selected files;
        // the front ends it starts then gather their files into one sheet.
        verbKey.writeString(L"MultiSelectModel", L"Player");
    }
    keyPath += kCommandSuffix;
    const win::RegKey commandKey = win::RegKey::create(target.classesRoot, keyPath);
    if (!commandKey) {
        return;
    }
    const std::wstring executable = target.executablePath.empty() ? win::modulePath() : target.executablePath;
    commandKey.writeString(nullptr, L"\"" + executable + L"\" \"%l\"");
}

void registerShellVerb(const ShellVerbTarget& target)
{
    std::wstring progId;
    {
        const win::RegKey extensionKey = win::RegKey::open(target.classesRoot, L".pdf", KEY_READ);
        if (!extensionKey) {
            return;
        }
        const auto value = extensionKey.readString(nullptr, kProgIdCapacity);
        if (!value) {
            return;
        }
        progId = *value;
    }
    registerVerbForProgId(progId, target);
    registerVerbForProgId(L"AcroExch.Document.7", target);
}

} // namespace app
