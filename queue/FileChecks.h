// The checks made on the file names when the user confirms the sheet, free of
// windows: what is wrong (a string-table text, its insert and the box to fix), or
// that the output exists and needs the user's leave to be replaced.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace queue {

struct ConfirmFiles {
    std::wstring input;        // as the boxes hold them (pasted quotes already removed)
    std::wstring output;
    std::wstring logPath;      // expanded; empty when no log is written
    size_t commandLineLength = 0; // the converter's whole command line, in characters,
                                  // before " --force" is added for an existing output
    std::wstring converterArguments; // the options and the quoted file names, as composed
};

enum class FileVerdict {
    Accept,          // nothing to ask
    Refuse,          // show the text, the sheet stays open at the box
    AskOverwrite,    // the output exists: replace it only on Yes (then --force)
};

// The page that holds the box to fix (control ids repeat between pages).
enum class CheckPage { None, Basic, Misc };

struct FileCheck {
    FileVerdict verdict = FileVerdict::Accept;
    UINT stringId = 0;
    std::wstring insert;
    CheckPage page = CheckPage::None;
    int controlId = 0;   // the box to fix: a file box of the Basic page, or the log or the
                         // additional parameters box of the Miscellaneous page
};

// The longest command line the platform passes to a new process, in characters
// without the terminating null.
inline constexpr size_t kMaxCommandLineLength = 32766;

// In this order: empty names, a missing input, an input that is a folder, an output
// that is a folder, an output whose folder does not exist, an output that is the input,
// a log that is the input or the output, arguments that do not split back into options
// followed by exactly the two file names, a command line too long to start the
// converter, an output that exists.
FileCheck checkFiles(const ConfirmFiles& files);

// The arguments a program started with this text after its name receives, split by
// the platform's rules.
std::vector<std::wstring> splitByPlatform(const std::wstring& arguments);

} // namespace queue
