// A converter::ProgressView that records every call as a line of text, for comparisons.
#pragma once

#include <string>
#include <vector>

#include "converter/ProgressView.h"

class RecordingView : public converter::ProgressView {
public:
    void setProgressRange(int totalPages) override { calls.push_back(L"range " + std::to_wstring(totalPages)); }
    void setProgressPosition(int position) override { calls.push_back(L"position " + std::to_wstring(position)); }
    void setStatusText(const std::wstring& text) override { calls.push_back(L"status " + text); }
    void showCounter(converter::MessageType type) override { calls.push_back(L"show " + name(type)); }
    void setCounterText(converter::MessageType type, const std::wstring& text) override
    {
        calls.push_back(L"counter " + name(type) + L" " + text);
    }
    void addMessageRow(converter::MessageType type, const std::wstring& page, const std::wstring& description) override
    {
        calls.push_back(L"row " + name(type) + L" [" + page + L"] " + description);
        rows.push_back(L"row " + name(type) + L" [" + page + L"] " + description);
    }

    static std::wstring name(converter::MessageType type)
    {
        switch (type) {
        case converter::MessageType::Info:
            return L"info";
        case converter::MessageType::Warn:
            return L"warn";
        case converter::MessageType::Error:
            return L"error";
        case converter::MessageType::Ignore:
            return L"ignore";
        default:
            return L"none";
        }
    }

    std::vector<std::wstring> calls;
    std::vector<std::wstring> rows;
};
