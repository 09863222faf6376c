// The Basic, Advanced and Miscellaneous pages' option machinery over two kinds of
// controls: the in-memory double (FakePages) and real dialogs created from templates
// 107, 108 and 109 (DialogPages). Typed tests run every case over both.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "FakeOptionControls.h"
#include "options/ArgumentSet.h"
#include "options/ArgumentQuoting.h"
#include "options/CommandLineComposer.h"
#include "ui/DialogCommandLineBoxes.h"
#include "ui/DialogOptionControls.h"
#include "options/OptionEngine.h"
#include "res/resource.h"
#include "base/StringTable.h"
#include "win/Window.h"

namespace test_options {

// What the tests do with the pages, whichever controls lie beneath.
class Pages {
public:
    Pages(options::OptionControls& basicControls, options::OptionControls& advancedControls,
        options::CommandLineBoxes& boxes)
        : basicControls(basicControls)
        , advancedControls(advancedControls)
        , basic(basicControls)
        , advanced(advancedControls)
        , composer({&basic, &advanced}, boxes, [this] {
              return options::FileNames{options::withoutSurroundingQuotes(this->basicControls.text(IDC_BASIC_INPUT)),
                  options::withoutSurroundingQuotes(this->basicControls.text(IDC_BASIC_OUTPUT))};
          })
    {
    }
    virtual ~Pages() = default;
    Pages(const Pages&) = delete;
    Pages& operator=(const Pages&) = delete;

    // What the pages do when they are created: fill the lists, then apply a set.
    void create(options::ArgumentSet& arguments)
    {
        basic.fillLists();
        advanced.fillLists();
        basic.applyArguments(arguments);
        advanced.applyArguments(arguments);
        composer.showUnconsumedOptions(arguments);
    }
    void create()
    {
        options::ArgumentSet none;
        create(none);
    }

    virtual std::wstring additional() = 0;
    virtual void setAdditional(const std::wstring& text) = 0;
    virtual std::wstring generatedBox() = 0;
    // Clicks of a spin button's arrows (delta > 0 up, < 0 down), as the user makes them.
    virtual void spin(options::OptionControls& page, int fieldId, int spinId, int delta) = 0;

    // The user checks or unchecks a box of the Advanced page; the page then applies
    // its enabling rule.
    void userCheck(int id, bool checked)
    {
        advancedControls.setChecked(id, checked);
        advanced.applyEnablingRule();
    }
    void setFiles(const std::wstring& input, const std::wstring& output)
    {
        basicControls.setText(IDC_BASIC_INPUT, input);
        basicControls.setText(IDC_BASIC_OUTPUT, output);
    }
    std::wstring optionsText() { return composer.composeParameterText(false); }

    options::OptionControls& basicControls;
    options::OptionControls& advancedControls;
    options::BasicOptions basic;
    options::AdvancedOptions advanced;
    options::CommandLineComposer composer;
};

struct FakeParts {
    FakeOptionControls basicFake{options::basicOptionTable(),
        {IDC_BASIC_INPUT, IDC_BASIC_OUTPUT, IDC_BASIC_INPUT_BROWSE, IDC_BASIC_OUTPUT_BROWSE}};
    FakeOptionControls advancedFake{options::advancedOptionTable(), {}, {IDC_ADV_RENDER_INTENT}};
    FakeCommandLineBoxes boxesFake;
};

class FakePages : private FakeParts, public Pages {
public:
    FakePages() : Pages(basicFake, advancedFake, boxesFake)
    {
        // As in template 108: the fields of the two Text options start disabled.
        advancedFake.setEnabled(IDC_ADV_SLICES, false);
        advancedFake.setEnabled(IDC_ADV_RESOURCE_DIR, false);
        advancedFake.setEnabled(IDC_ADV_RESOURCE_BROWSE, false);
    }
    static constexpr const char* kName = "Fake";

    std::wstring additional() override { return boxesFake.additional; }
    void setAdditional(const std::wstring& text) override { boxesFake.additional = text; }
    std::wstring generatedBox() override { return boxesFake.generated; }
    void spin(options::OptionControls& page, int /*fieldId*/, int spinId, int delta) override
    {
        auto& fake = static_cast<FakeOptionControls&>(page);
        for (int i = 0; i < std::abs(delta); ++i) {
            fake.spin(spinId, delta > 0 ? 1 : -1);
        }
    }
};

inline INT_PTR CALLBACK plainDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

// The three page templates as modeless child dialogs of a hidden top-level window.
struct DialogParts {
    DialogParts()
    {
        INITCOMMONCONTROLSEX init = {};
        init.dwSize = sizeof(init);
        init.dwICC = ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS;
        InitCommonControlsEx(&init);
        parent = CreateWindowExW(0, L"STATIC", L"options test", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr,
            nullptr, GetModuleHandleW(nullptr), nullptr);
        basicDialog = createPage(IDD_BASIC_PAGE);
        advancedDialog = createPage(IDD_ADVANCED_PAGE);
        miscDialog = createPage(IDD_MISC_PAGE);
        basicReal.attach(basicDialog);
        advancedReal.attach(advancedDialog);
        boxesReal.attach(miscDialog);
    }
    ~DialogParts()
    {
        if (parent != nullptr) {
            DestroyWindow(parent);
        }
    }
    DialogParts(const DialogParts&) = delete;
    DialogParts& operator=(const DialogParts&) = delete;

    HWND createPage(int templateId)
    {
        HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), parent,
            &plainDialogProc, 0);
        EXPECT_NE(dialog, nullptr) << "template " << templateId << " error " << GetLastError();
        return dialog;
    }

    HWND parent = nullptr;
    HWND basicDialog = nullptr;
    HWND advancedDialog = nullptr;
    HWND miscDialog = nullptr;
    ui::DialogOptionControls basicReal;
    ui::DialogOptionControls advancedReal;
    ui::DialogCommandLineBoxes boxesReal;
};

class DialogPages : private DialogParts, public Pages {
public:
    DialogPages() : Pages(basicReal, advancedReal, boxesReal) {}
    static constexpr const char* kName = "Dialog";

    HWND basicWindow() const { return basicDialog; }
    HWND advancedWindow() const { return advancedDialog; }
    HWND miscWindow() const { return miscDialog; }

    std::wstring additional() override { return win::Window(GetDlgItem(miscDialog, IDC_MISC_ADDITIONAL)).text(); }
    void setAdditional(const std::wstring& text) override
    {
        win::Window(GetDlgItem(miscDialog, IDC_MISC_ADDITIONAL)).setText(text);
    }
    std::wstring generatedBox() override { return win::Window(GetDlgItem(miscDialog, IDC_MISC_COMMAND_LINE)).text(); }
    // The arrow keys in the buddy field move the spin button, which reads the field's
    // number and writes the new position back.
    void spin(options::OptionControls& page, int fieldId, int /*spinId*/, int delta) override
    {
        HWND dialog = &page == &basicControls ? basicDialog : advancedDialog;
        HWND field = GetDlgItem(dialog, fieldId);
        const WPARAM key = delta > 0 ? VK_UP : VK_DOWN;
        for (int i = 0; i < std::abs(delta); ++i) {
            SendMessageW(field, WM_KEYDOWN, key, 1);
            SendMessageW(field, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
        }
    }
};

struct HarnessNames {
    template <class T>
    static std::string GetName(int)
    {
        return T::kName;
    }
};

using HarnessTypes = ::testing::Types<FakePages, DialogPages>;

} // namespace test_options
