// A ProgressView that records every call as a line of text, for comparisons.
#pragma once

#include <string>
#include <vector>

#include "converter/ProgressView.h"

class RecordingView : public ProgressView {
public:
    void setProgressRange(int totalPages) override { calls.push_back(L"range " + std::to_wstring(totalPages)); }
    void setProgressPosition(int position) override { calls.push_back(L"position " + std::to_wstring(position)); }
    void setStatusText(const std::wstring& text) override { calls.push_back(L"status " + text); }
    void showCounter(MessageType type) override { calls.push_back(L"show " + name(type)); }
    void setCounterText(MessageType type, const std::wstring& text) override
    {
        calls.push_back(L"counter " + name(type) + L" " + text);
    }
    void addMessageRow(MessageType type, const std::wstring& page, const std::wstring& description) override
    {
        calls.push_back(L"row " + name(type) + L" [" + page + L"] " + description);
        rows.push_back(L"row " + name(type) + L" [" + page + L"] " + description);
    }

    static std::wstring name(MessageType type)
    {
        switch (type) {
        case MessageType::Info:
            return L"info";
        case MessageType::Warn:
            return L"warn";
        case MessageType::Error:
            return L"error";
        case MessageType::Ignore:
            return L"ignore";
        default:
            return L"none";
        }
    }

    std::vector<std::wstring> calls;
    std::vector<std::wstring> rows;
};
