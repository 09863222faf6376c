// langmap-check [--lang=ja] [--exit-code=N] [--seconds=N] RULEFILE [TRANSCRIPT...]
//
// Lints a rule file, then runs each converter transcript (the bytes the converter
// wrote on its standard output and error) through the front end's line assembly,
// output interpreter and rules, and prints the rows, counters and final status the
// progress dialog would show, and the messages no rule decided. Exit status 1 when
// the lint finds an error, 2 for bad arguments or unreadable files, else 0.
#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "converter/MessageRuleSet.h"
#include "converter/OutputInterpreter.h"
#include "converter/OutputReader.h"
#include "tools/langmap-check/RuleLint.h"
#include "res/resource.h"
#include "base/StringTable.h"
#include "base/Text.h"

namespace {

// The converter's exit codes for a stop on the kill event and a forced end.
constexpr unsigned long kExitCanceled = 5963;
constexpr unsigned long kExitTerminated = 5964;

bool readFile(const std::string& path, std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

std::string shown(const std::wstring& text)
{
    std::string out = base::toUtf8(text);
    for (size_t at = out.find("\r\n"); at != std::string::npos; at = out.find("\r\n", at)) {
        out.replace(at, 2, "\n        ");
    }
    return out;
}

unsigned int typeNameId(converter::MessageType type)
{
    switch (type) {
    case converter::MessageType::Warn: return IDS_TYPE_WARNING;
    case converter::MessageType::Error: return IDS_TYPE_ERROR;
    default: return IDS_TYPE_INFO;
    }
}

// Prints what the progress dialog shows.
class PrintingView : public converter::ProgressView {
public:
    void setProgressRange(int totalPages) override { totalPages_ = totalPages; }
    void setProgressPosition(int) override {}
    void setStatusText(const std::wstring& text) override { status_ = text; }
    void showCounter(converter::MessageType) override {}
    void setCounterText(converter::MessageType, const std::wstring&) override {}
    void addMessageRow(converter::MessageType type, const std::wstring& page, const std::wstring& description) override
    {
        std::printf("  %-12s %5s  %s\n", base::toUtf8(base::loadString(typeNameId(type))).c_str(),
            base::toUtf8(page).c_str(), shown(description).c_str());
    }
    const std::wstring& status() const { return status_; }

private:
    int totalPages_ = 0;
    std::wstring status_;
};

void runTranscript(const std::string& path, const std::string& bytes, converter::MessageRuleSet& rules,
    unsigned long exitCode, std::uint32_t seconds)
{
    std::printf("\n%s:\n", path.c_str());
    std::vector<std::wstring> undecided;
    rules.setUndecidedObserver([&](std::wstring_view message) { undecided.emplace_back(message); });
    PrintingView view;
    converter::OutputInterpreter interpreter(view, rules);
    interpreter.reset(nullptr);
    converter::OutputReader reader([&](std::wstring_view line) { interpreter.interpretLine(line); });
    reader.consumeBytes(bytes);
    reader.finishOutput();
    interpreter.flushPendingMessage();
    // The front end's own end-of-run messages, as after a real run.
    if (exitCode == kExitCanceled) {
        interpreter.reportMessage(L"process_canceled", {});
    } else if (exitCode == kExitTerminated) {
        interpreter.reportMessage(L"process_terminated", {});
    } else if (exitCode != 0) {
        const base::MessageArg code[] = {static_cast<std::uint32_t>(exitCode)};
        interpreter.reportMessage(L"process_error %1!u!", code);
    }
    const base::MessageArg time[] = {seconds};
    interpreter.reportMessage(L"process_success %1!u!", time);
    rules.setUndecidedObserver(nullptr);

    std::printf("  pages: %d, last page: %d\n", interpreter.totalPages(), interpreter.currentPage());
    std::printf("  warnings: %d%s%s\n", interpreter.warningCount(), interpreter.warningCount() ? " - " : "",
        base::toUtf8(interpreter.warningCountText()).c_str());
    std::printf("  errors: %d%s%s\n", interpreter.errorCount(), interpreter.errorCount() ? " - " : "",
        base::toUtf8(interpreter.errorCountText()).c_str());
    std::wstring status;
    if (exitCode == 0) {
        status = base::loadString(interpreter.warningCount() != 0 || interpreter.errorCount() != 0
                ? IDS_FINISHED_WITH_WARNINGS : IDS_FINISHED_SUCCESSFULLY);
    } else if (exitCode == kExitCanceled) {
        status = base::loadString(IDS_PROCESS_CANCELED);
    } else {
        status = base::formatString(IDS_CONVERSION_FAILED, {interpreter.errorCountText()});
    }
    std::printf("  status: %s\n", shown(status).c_str());
    std::printf("  messages no rule decided: %zu\n", undecided.size());
    for (const std::wstring& message : undecided) {
        std::printf("    %s\n", shown(message).c_str());
    }
}

int usage()
{
    std::fprintf(stderr, "usage: langmap-check [--lang=en|ja] [--exit-code=N] [--seconds=N] RULEFILE [TRANSCRIPT...]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::string language = "en";
    unsigned long exitCode = 0;
    std::uint32_t seconds = 0;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--lang=", 0) == 0) {
            language = arg.substr(7);
        } else if (arg.rfind("--exit-code=", 0) == 0) {
            exitCode = std::stoul(arg.substr(12));
        } else if (arg.rfind("--seconds=", 0) == 0) {
            seconds = static_cast<std::uint32_t>(std::stoul(arg.substr(10)));
        } else if (arg.rfind("--", 0) == 0) {
            return usage();
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty() || (language != "en" && language != "ja")) {
        return usage();
    }
#ifdef _WIN32
    // Resources are found by the thread's interface language (Windows) or its locale (Wine).
    const LANGID id = language == "ja" ? MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)
                                       : MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    SetThreadUILanguage(id);
    SetThreadLocale(MAKELCID(id, SORT_DEFAULT));
#else
    base::selectStringLanguage(language);
#endif
    const std::string languageKey = base::toUtf8(base::loadString(IDS_RULE_LANGUAGE)) + "=";

    std::string ruleBytes;
    if (!readFile(files[0], ruleBytes)) {
        std::fprintf(stderr, "langmap-check: cannot read %s\n", files[0].c_str());
        return 2;
    }
    int errors = 0;
    int warnings = 0;
    for (const langmap::Finding& finding : langmap::lintRules(ruleBytes, languageKey)) {
        const bool error = finding.level == langmap::Finding::Level::Error;
        (error ? errors : warnings) += 1;
        std::printf("%s:%zu: %s: %s\n", files[0].c_str(), finding.line, error ? "error" : "warning",
            finding.text.c_str());
    }
    converter::MessageRuleSet rules(languageKey);
    rules.loadRulesFromText(ruleBytes);
    std::printf("%s: %zu rules for %s, %d errors, %d warnings\n", files[0].c_str(), rules.ruleCount(),
        languageKey.c_str(), errors, warnings);

    for (size_t f = 1; f < files.size(); ++f) {
        std::string bytes;
        if (!readFile(files[f], bytes)) {
            std::fprintf(stderr, "langmap-check: cannot read %s\n", files[f].c_str());
            return 2;
        }
        if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) {
            bytes.erase(0, 3); // a processing log begins with a byte-order mark
        }
        runTranscript(files[f], bytes, rules, exitCode, seconds);
    }
    return errors != 0 ? 1 : 0;
}
