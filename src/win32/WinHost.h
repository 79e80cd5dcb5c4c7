// The forms realised as real windows: the host that makes them, runs the message loops and
// lends the screen's size and resolution.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "forms/Form.h"
#include "forms/MadeOnce.h"
#include "forms/Runtime.h"
#include "win32/Text.h"

namespace win32 {

class WinHost : public forms::FormHost, public forms::Screen {
  public:
    explicit WinHost(HINSTANCE instance);
    ~WinHost() override;

    std::unique_ptr<forms::FormPeer> Realise(forms::Form& form) override;
    void RunModal(forms::Form& form) override;
    void DoEvents() override;
    void MsgBox(const std::string& prompt) override;
    bool RunAside(std::function<void()> work) override;
    void Post(std::function<void()> task) override;
    bool WaitFor(const std::function<bool()>& done, Deadline until) override;
    bool Ending() const override { return ending_; }

    double Width() const override;   // twips
    double Height() const override;  // twips
    forms::Area WorkArea() const override;

    // Shows the start-up form and runs the message loop until that form is unloaded.
    int Run(forms::Form& main);

    int Dpi() const { return dpi_; }
    HINSTANCE Instance() const { return instance_; }
    // Loads the common controls (tooltips, themed push buttons) if they are not yet.
    void LoadCommonControls();
    // The window that owns the forms not shown in the task bar: the main window (the form shown
    // there) once it is made, so that a dialog stays in front of it, and comes back with it
    // when it is brought back from the task bar; before that, an invisible window.
    HWND Owner();
    // The form shown in the task bar has made its window.
    void MainWindowMade(HWND hwnd) { mainWindow_ = hwnd; }
    // The font at `dpi` dots per inch (a window's own, which may differ from the system's).
    HFONT Font(const forms::Font& font, int dpi);
    // A system metric (GetSystemMetrics' SM_...) at `dpi` dots per inch.
    int Metric(int index, int dpi) const;
    // The DPI of the screen a window is on, where the system tells windows apart by it;
    // otherwise the system's.
    int WindowDpi(HWND hwnd) const;
    HICON Icon(int resourceId, int size);
    // The fonts that labels' text is drawn in besides their own, each made once, and what is
    // known of each.
    TextFonts& FontCache() { return text_; }
    // How the first window the program shows is to show when the program was started to show
    // it otherwise than as usual: minimised, maximised or not activated, as a shortcut may ask
    // (ShowWindow's command from the start-up information; Wine's SW_SHOWDEFAULT ignores it).
    // Taken once: nullopt for a usual start, and for every later call.
    std::optional<int> TakeStartShow();
    // Whether the user has chosen a high-contrast scheme, as the system said when last asked
    // (at start, and whenever a form hears that the settings or the system colours changed).
    bool HighContrast() const { return highContrast_; }
    // Asks the system again; true when the answer changed.
    bool ReadHighContrast();
    // How the setting is read: the system's SPI_GETHIGHCONTRAST. (Wine reports no high
    // contrast at all: its tests answer in its place.)
    std::function<bool()> highContrastSetting;

    // Called by a form's peer when its window goes.
    void WindowGone(forms::Form& form);
    // Called by a form's peer before its window hides or goes: when it is a modal form's, the
    // windows it disabled are enabled again, and the window that was active before it shows
    // is activated, as a dialog's end does, so that the activation does not pass to the next
    // window in the z-order, another program's perhaps.
    void ModalEnding(HWND hwnd);
    // The user's session is ending (WM_ENDSESSION): the main window is unloaded and the
    // program ends, whatever it was waiting for.
    void EndSession();
    // A screen reader has been handed a form's object: from then on a wait serves its calls.
    void ScreenReaderCame() { screenReader_ = true; }

  private:
    void DispatchOne(MSG& msg);
    void RunPosted();
    static LRESULT CALLBACK PostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static BOOL CALLBACK DisableOne(HWND hwnd, LPARAM modal);

    HINSTANCE instance_;
    int dpi_ = 96;
    HWND owner_ = nullptr;
    HWND mainWindow_ = nullptr;
    bool commonControls_ = false;
    bool shownOne_ = false;  // a window has been shown
    forms::Form* main_ = nullptr;
    // The modal forms' windows, innermost last, each with the windows it disabled and the
    // window that was active before it (both let go once it has ended).
    struct Modal {
        HWND window;
        std::vector<HWND> disabled;
        HWND previous;
    };
    std::vector<Modal> modal_;
    bool pumped_ = false;
    DWORD lastPump_ = 0;
    // The fonts made for the forms' fonts, each at a DPI; the icons made, by resource and size.
    std::vector<std::pair<std::pair<forms::Font, int>, HFONT>> fonts_;
    std::vector<std::pair<std::pair<int, int>, HICON>> icons_;
    TextFonts text_;
    bool ending_ = false;
    bool highContrast_ = false;
    bool screenReader_ = false;

    // Tasks posted from other threads, run by a message-only window, so that every message
    // loop runs them, the system's own (a message box's, a menu's) included.
    HWND postWindow_ = nullptr;
    HANDLE wake_ = nullptr;  // set with each task, for WaitFor
    std::mutex postMutex_;
    std::deque<std::function<void()>> posted_;  // guarded by postMutex_
    bool messagePosted_ = false;                // likewise: a message will run them
};

// A colour of the forms as GDI takes it: a system colour as the system has it now.
COLORREF ToColorRef(forms::Color c);

}  // namespace win32
