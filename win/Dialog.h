// Base classes for modal dialogs and property-sheet pages: one dialog procedure
// stores the object in DWLP_USER at WM_INITDIALOG and dispatches to virtual handlers.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

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
    // CreateDialogParamW: a modeless dialog (tests and screenshots use it).
    HWND createModeless(int templateId, HWND owner, HINSTANCE module = nullptr);
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

// A page of a property sheet. Its PROPSHEETPAGEW carries the object in lParam.
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
    static INT_PTR CALLBACK pageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

} // namespace win
