// Base classes for modal dialogs, property sheets and their pages: one dialog
// procedure stores the object in DWLP_USER at WM_INITDIALOG and dispatches to
// virtual handlers.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <shellapi.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "win/Window.h"

namespace win {

class Dialog {
public:
    Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    virtual ~Dialog() = default;

    HWND hwnd() const { return hwnd_; }
    HWND item(int id) const { return GetDlgItem(hwnd_, id); }
    Window control(int id) const { return Window(item(id)); }

    // DialogBoxParamW from the template; returns the end code or -1 on failure.
    INT_PTR runModal(int templateId, HWND owner, HINSTANCE module = nullptr);
    void end(INT_PTR code) const { EndDialog(hwnd_, code); }

protected:
    // WM_INITDIALOG; return false when the handler set the focus itself.
    virtual bool onInit() { return true; }
    // WM_COMMAND; return true when handled.
    virtual bool onCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
    // WM_NOTIFY; return true when handled, with the message result in result.
    virtual bool onNotify(const NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
    // Every other message; return true when handled, with the result in result.
    virtual bool onMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/, LRESULT& /*result*/)
    {
        return false;
    }
    virtual void onDestroy() {}

    static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
};

class PropertySheetBase;

// A page of a property sheet, created together with the sheet window. Its
// PROPSHEETPAGEW carries the object in lParam. What the page leaves unhandled of its
// sheet's business (commands of the sheet's own controls, which the sheet forwards to
// the active page, OK and Cancel) goes on to the PropertySheetBase that shows it.
class PropertyPage : public Dialog {
public:
    // Creates the page handle for PropertySheetW (CreatePropertySheetPageW).
    HPROPSHEETPAGE createPage(int templateId, HINSTANCE module = nullptr);

protected:
    // PSN_SETACTIVE; return false to refuse the activation.
    virtual bool onSetActive() { return true; }
    // PSN_KILLACTIVE; return false to keep the page active.
    virtual bool onKillActive() { return true; }
    bool onNotify(const NMHDR& header, LRESULT& result) override;

private:
    friend class PropertySheetBase;
    static INT_PTR CALLBACK pageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR dispatchPage(UINT message, WPARAM wParam, LPARAM lParam);

    PropertySheetBase* sheet_ = nullptr;
    int index_ = 0;
};

// A modal property sheet over PropertyPage objects. Its window procedure belongs to
// the platform; the sheet's events reach the virtual methods through its pages, so
// there is one dispatch for pages and sheet alike. Dropped files are the exception:
// the platform's sheet window passes WM_DROPFILES to nobody, so while the sheet accepts
// drops a subclass of the sheet window hands them to onDropFiles.
class PropertySheetBase {
public:
    PropertySheetBase() = default;
    PropertySheetBase(const PropertySheetBase&) = delete;
    PropertySheetBase& operator=(const PropertySheetBase&) = delete;
    virtual ~PropertySheetBase() = default;

    struct PageTemplate {
        PropertyPage* page = nullptr;
        int templateId = 0;
    };
    // PropertySheetW without an Apply button or context help, starting at the first
    // page. Returns its result, or -1 when a page cannot be created.
    INT_PTR runModal(HWND owner, const std::wstring& caption, std::initializer_list<PageTemplate> pages);

    // The sheet window while it is shown.
    HWND hwnd() const { return hwnd_; }
    // Activates the page at index (PSM_SETCURSEL).
    void showPage(int index) const;

protected:
    // Once, from the sheet's message loop, before the sheet appears: every page exists
    // and every control can be set here, and nobody sees it happen.
    virtual void onShown() {}
    // Once, right after the sheet has appeared.
    virtual void onVisible() {}
    // OK: return false to keep the sheet open (the page to fix is shown by the handler).
    virtual bool onApply() { return true; }
    // Cancel or the close box: return false to keep the sheet open.
    virtual bool onQueryCancel() { return true; }
    // WM_COMMAND of the sheet's own controls and menus; true when handled.
    virtual bool onCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
    // Files dropped anywhere on the sheet (pages, tabs, buttons, frame) while it accepts
    // drops; the handler releases the drop.
    virtual void onDropFiles(HDROP /*drop*/) {}
    // WM_TIMER of a timer set with setTimer.
    virtual void onTimer(UINT_PTR /*id*/) {}

    // A timer whose WM_TIMER reaches onTimer, and its end.
    void setTimer(UINT_PTR id, UINT milliseconds) const;
    void killTimer(UINT_PTR id) const;
    // Lets the sheet window accept dropped files (or not). Pages and the sheet's own
    // controls accept none, so the platform hands a drop on any of them to the sheet
    // window, the nearest window under the pointer that accepts files.
    void acceptDrops(bool accept);

private:
    friend class PropertyPage;
    static int CALLBACK sheetCallback(HWND hwnd, UINT message, LPARAM lParam);
    static LRESULT CALLBACK dropSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
        UINT_PTR id, DWORD_PTR data);
    // Activates, in page order, every page the platform has not made yet (the pages'
    // onSetActive is not called for these activations).
    void createMissingPages();
    // Routes a page's message; true when it was the sheet's and is handled.
    bool routeFromPage(PropertyPage& page, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

    HWND hwnd_ = nullptr;
    std::vector<PropertyPage*> pages_;
    bool shownPosted_ = false;
    bool creatingPages_ = false;
};

} // namespace win
