#include "reference/host/ToolHost.h"

#include <windows.h>

namespace reference {

std::unique_ptr<ToolHost> makeWineRelayHost(const std::wstring& workFolder, const std::wstring& leftovers);
std::unique_ptr<ToolHost> makeWindowsToolHost();

namespace {

// Wine's ntdll exports its version; Windows' does not.
bool runningUnderWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

} // namespace

namespace {

// A chain run as separate jobs, one after the other.
class ChainJob : public ToolJob {
public:
    ChainJob(ToolHost& host, std::vector<Step> steps)
        : host_(host), steps_(std::move(steps))
    {
    }

    bool start() { return next(); }

    bool poll(std::vector<std::string>& lines) override
    {
        while (current_) {
            if (!pendingMarker_.empty()) {
                lines.push_back(pendingMarker_);
                pendingMarker_.clear();
            }
            if (!current_->poll(lines)) {
                return false;
            }
            exitCode_ = current_->exitCode();
            current_.reset();
            if (exitCode_ == 0 && at_ < steps_.size() && !next()) {
                exitCode_ = -1;
            }
        }
        return true;
    }
    int exitCode() const override { return exitCode_; }
    void stop() override
    {
        if (current_) {
            current_->stop();
        }
    }
    void pause(bool paused) override
    {
        if (current_) {
            current_->pause(paused);
        }
    }
    bool waitGone(unsigned milliseconds) override { return !current_ || current_->waitGone(milliseconds); }

private:
    bool next()
    {
        const Step& step = steps_[at_++];
        pendingMarker_ = kChainMarker + step.tool;
        current_ = host_.start(step.tool, step.arguments);
        return current_ != nullptr;
    }

    ToolHost& host_;
    std::vector<Step> steps_;
    size_t at_ = 0;
    std::unique_ptr<ToolJob> current_;
    std::string pendingMarker_;
    int exitCode_ = -1;
};

} // namespace

std::unique_ptr<ToolJob> ToolHost::startChain(const std::vector<Step>& steps)
{
    auto chain = std::make_unique<ChainJob>(*this, steps);
    return !steps.empty() && chain->start() ? std::move(chain) : nullptr;
}

std::unique_ptr<ToolHost> makeToolHost(const std::wstring& workFolder, const std::wstring& leftovers)
{
    // KORVELLO_TOOL_HOST=windows runs the Windows builds under Wine too (for trying them).
    wchar_t choice[16] = {};
    GetEnvironmentVariableW(L"KORVELLO_TOOL_HOST", choice, 16);
    if (runningUnderWine() && std::wstring(choice) != L"windows") {
        if (auto host = makeWineRelayHost(workFolder, leftovers)) {
            return host;
        }
    }
    return makeWindowsToolHost();
}

} // namespace reference
