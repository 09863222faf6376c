// The file dialogs the pages open (common open and save dialogs, the folder browser)
// and the handling of pasted paths, shared by every page with a path box.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "win/Window.h"

namespace ui {

// Turns "Desc|*.ext|All|*.*" into the double-null-terminated list of the file dialogs.
std::wstring fileDialogFilter(std::wstring_view barSeparated);

// What a file dialog starts from, given a box's text: an existing directory opens in
// that directory with an empty file name; anything else opens in the text's
// directory part (its last component cut off) offering the whole text as file name.
struct FileDialogStart {
    std::wstring directory;
    std::wstring fileName;
};
FileDialogStart fileDialogStart(const std::wstring& text);

// The common open or save dialog, owned by owner, with the bar-separated filter of
// string filterId (first pair selected), a default extension (without the dot) and the
// given OFN_ flags. The path buffer holds 260 characters. Nothing on cancel or failure.
std::optional<std::wstring> chooseFile(HWND owner, bool save, UINT filterId, const wchar_t* defaultExtension,
    DWORD flags, const std::wstring& startText);

// The common open dialog for several existing files, titled with string titleId: the
// paths chosen, none on cancel.
std::vector<std::wstring> chooseFiles(HWND owner, UINT filterId, UINT titleId);

// A path box whose text arrived with surrounding double quotes (a path pasted from
// the file manager's "Copy as path") loses them, the caret at the end. Path boxes
// call it on every change.
void dropPastedQuotes(const win::Edit& box);

// The shell's folder browser owned by owner, with a prompt, restricted to file-system
// folders, with an edit box, in the resizable new style; it starts with initialFolder
// selected when that is not empty. Nothing on cancel or for a folder without a path.
std::optional<std::wstring> chooseFolder(HWND owner, const std::wstring& prompt, const std::wstring& initialFolder);

} // namespace ui
