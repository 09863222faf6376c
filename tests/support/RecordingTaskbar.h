// A taskbar that records what it was told, one text per call.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "win/TaskbarProgress.h"

namespace progress_test {

class RecordingTaskbar : public win::TaskbarProgress {
public:
    explicit RecordingTaskbar(std::shared_ptr<std::vector<std::string>> calls) : calls_(std::move(calls)) {}

    void setIndeterminate() override { calls_->push_back("indeterminate"); }
    void setProgress(std::uint64_t done, std::uint64_t total) override { record("progress", done, total); }
    void setError(std::uint64_t done, std::uint64_t total) override { record("error", done, total); }
    void setPaused(std::uint64_t done, std::uint64_t total) override { record("paused", done, total); }
    void clear() override { calls_->push_back("clear"); }

private:
    void record(const char* state, std::uint64_t done, std::uint64_t total)
    {
        calls_->push_back(std::string(state) + " " + std::to_string(done) + "/" + std::to_string(total));
    }
    std::shared_ptr<std::vector<std::string>> calls_;
};

} // namespace progress_test
