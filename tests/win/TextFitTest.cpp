// The windows' text as they draw it, read back from recordings of their drawing: at any of the
// screens the tests run on (96 to 192 dots per inch) and over drives of real large sizes
// (KELVR_FAKE_DRIVES), every label shows the whole of its text inside its window, in fonts
// that have its characters; figures never lose a digit, long names are cut short with an
// ellipsis and show whole as their tooltips.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>

#include "Modal.h"
#include "Probe.h"
#include "RealProgram.h"
#include "forms/Twips.h"
#include "main/Program.h"
#include "win32/Utf.h"
#include "win32/WinForm.h"
#include "win32/WinHost.h"
#include "win32/WinServices.h"

namespace {

using probe::Child;
using probe::DrawnText;
using probe::Px;

int ScreenDpi() {
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return dpi;
}

// The control that a control's window stands for.
const forms::Control* ModelOf(HWND w) {
    auto* form = reinterpret_cast<win32::WinFormPeer*>(
        GetWindowLongPtrW(GetAncestor(w, GA_ROOT), GWLP_USERDATA));
    const win32::WinControlPeer* peer = form ? form->PeerOfWindow(w) : nullptr;
    return peer ? &peer->Model() : nullptr;
}

std::wstring WithoutSpaces(const std::wstring& s) {
    std::wstring out;
    for (wchar_t c : s)
        if (c != L' ' && c != L'\n' && c != L'\r')
            out += c;
    return out;
}

LOGFONTW FontOf(HWND w) {
    LOGFONTW f{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(w, WM_GETFONT, 0, 0)), sizeof f, &f);
    return f;
}

// Whether a cell's text fits inside its sunken edge in the cell's own font.
bool FitsInOwnFont(HWND cell) {
    const std::wstring text = probe::Text(cell);
    const LOGFONTW own = FontOf(cell);
    HDC dc = GetDC(cell);
    HFONT font = CreateFontIndirectW(&own);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(cell, dc);
    RECT client;
    GetClientRect(cell, &client);
    return size.cx <= client.right - 4;
}

// A form's client area as it stands on the screen.
struct Screen {
    HWND form = nullptr;
    std::vector<DWORD> pixels;
    int width = 0;
};

Screen ScreenOf(HWND form) {
    RedrawWindow(form, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    Screen s;
    s.form = form;
    s.pixels = probe::Picture(form);
    RECT r;
    GetClientRect(form, &r);
    s.width = r.right;
    return s;
}

// How a label draws its text: the pieces, joined, and what is wrong with any of them: ink
// outside the label's room (inside its sunken edge, if it has one, and, with a `screen`, inside
// the windows that hold it); ink that does not show: with the `screen` of its form, pixels of its
// ink that differ there from its own drawing of them, else ink under a window above it; or a
// font without a glyph for one of its characters.
struct Drawing {
    std::wstring text;
    std::vector<DrawnText> pieces;
    std::string faults;
};

Drawing DrawingOf(HWND w, const Screen* screen = nullptr) {
    Drawing d;
    d.pieces = probe::TextsDrawn(w);
    const forms::Control* c = ModelOf(w);
    RECT room;
    GetClientRect(w, &room);
    const int width = room.right;
    if (c && c->Border())
        InflateRect(&room, -2, -2);
    for (HWND up = GetParent(w); screen && up; up = GetParent(up)) {
        RECT client;
        GetClientRect(up, &client);
        MapWindowPoints(up, w, reinterpret_cast<POINT*>(&client), 2);
        IntersectRect(&room, &room, &client);
        if (!(GetWindowLongW(up, GWL_STYLE) & WS_CHILD))
            break;
    }
    const std::vector<DWORD> own = screen ? probe::OwnPicture(w) : std::vector<DWORD>();
    POINT origin{0, 0};
    if (screen)
        MapWindowPoints(w, screen->form, &origin, 1);
    std::ostringstream faults;
    for (const DrawnText& p : d.pieces) {
        d.text += p.text;
        const std::string piece = "\"" + win32::Narrow(p.text) + "\"";
        RECT inside;
        IntersectRect(&inside, &p.ink, &room);
        if (!IsRectEmpty(&p.ink) && !EqualRect(&inside, &p.ink))
            faults << piece << " inked at " << p.ink.left << "," << p.ink.top << "-" << p.ink.right
                   << "," << p.ink.bottom << " outside " << room.left << "," << room.top << "-"
                   << room.right << "," << room.bottom << "; ";
        if (screen) {
            long hidden = 0;
            for (int y = inside.top; y < inside.bottom; ++y)
                for (int x = inside.left; x < inside.right; ++x) {
                    const std::size_t at = static_cast<std::size_t>(y + origin.y) * screen->width +
                                           static_cast<std::size_t>(x + origin.x);
                    if (at < screen->pixels.size() &&
                        ((screen->pixels[at] ^ own[y * width + x]) & 0xFFFFFF))
                        ++hidden;
                }
            if (hidden)
                faults << piece << " hidden in " << hidden << " pixels; ";
        } else {
            for (HWND o = GetWindow(w, GW_HWNDPREV); o; o = GetWindow(o, GW_HWNDPREV)) {
                RECT r;
                GetWindowRect(o, &r);
                MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&r), 2);
                if (IsWindowVisible(o) && IntersectRect(&r, &r, &p.ink))
                    faults << piece << " under \"" << win32::Narrow(probe::Text(o)) << "\"; ";
            }
        }
        const std::wstring missing = probe::Missing(p.font, p.text);
        if (!missing.empty())
            faults << piece << " in " << win32::Narrow(p.font.lfFaceName) << " without \""
                   << win32::Narrow(missing) << "\"; ";
    }
    d.faults = faults.str();
    return d;
}

// Whether a label shows the whole of its window text (line breaks, and the spaces where its
// lines wrap, aside), with nothing wrong (see Drawing).
::testing::AssertionResult ShowsWhole(HWND w, const Screen* screen = nullptr) {
    const Drawing d = DrawingOf(w, screen);
    const std::wstring text = probe::Text(w);
    if (WithoutSpaces(d.text) != WithoutSpaces(text))
        return ::testing::AssertionFailure()
               << "\"" << win32::Narrow(text) << "\" drawn as \"" << win32::Narrow(d.text) << "\"";
    if (!d.faults.empty())
        return ::testing::AssertionFailure() << d.faults;
    return ::testing::AssertionSuccess();
}

// Whether a label's window is its designed rectangle or one grown from it no further than its
// text reaches (the text touches every edge moved), or than what shows of the window that holds
// it, where its text is narrower.
::testing::AssertionResult GrownOnlyAsItsTextNeeds(HWND w, HWND form) {
    const forms::Control& c = *ModelOf(w);
    double x = c.Left(), y = c.Top();
    for (const forms::Control* p = c.Container(); p; p = p->Container()) {
        x += p->Left();
        y += p->Top();
    }
    const forms::PixelRect d = forms::TwipsRectToPixels(x, y, c.Width(), c.Height(), ScreenDpi());
    RECT r;
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
    RECT room;
    GetClientRect(GetParent(w), &room);
    MapWindowPoints(GetParent(w), form, reinterpret_cast<POINT*>(&room), 2);
    RECT client;
    GetClientRect(form, &client);
    IntersectRect(&room, &room, &client);
    const std::vector<DrawnText> pieces = probe::TextsDrawn(w);
    RECT text{r.right, r.bottom, r.left, r.top};  // the pieces' boxes, in the form
    bool narrowed = false;
    for (const DrawnText& p : pieces) {
        text.left = std::min(text.left, r.left + p.box.left);
        text.right = std::max(text.right, r.left + p.box.right);
        text.bottom = std::max(text.bottom, r.top + p.box.bottom);
        narrowed |= p.font.lfWidth > 0;
    }
    std::ostringstream wrong;
    if (r.top != d.top || r.left > d.left || r.right < d.left + d.width ||
        r.bottom < d.top + d.height)
        wrong << "not grown from its design; ";
    if (r.left < d.left && !(text.left == r.left || (r.left == room.left && narrowed)))
        wrong << "wider to the left than its text; ";
    if (r.right > d.left + d.width &&
        !(text.right == r.right || (r.right == room.right && narrowed)))
        wrong << "wider to the right than its text; ";
    if (r.bottom > d.top + d.height && text.bottom != r.bottom)
        wrong << "taller than its text; ";
    if (wrong.str().empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "\"" << win32::Narrow(probe::Text(w)) << "\" at " << r.left << "," << r.top << "-"
           << r.right << "," << r.bottom << ", designed " << d.left << "," << d.top << "-"
           << d.left + d.width << "," << d.top + d.height << ", text to " << text.left << "-"
           << text.right << "," << text.bottom << ": " << wrong.str();
}

// The labels a form shows, but for one in a symbol font, which shows a picture.
std::vector<HWND> Labels(HWND form) {
    std::vector<HWND> labels;
    for (const Child& ch : probe::Children(form)) {
        const forms::Control* c = ModelOf(ch.hwnd);
        if (ch.visible && c && c->kind() == forms::Kind::Label && !ch.text.empty() &&
            FontOf(ch.hwnd).lfCharSet != SYMBOL_CHARSET)
            labels.push_back(ch.hwnd);
    }
    return labels;
}

// A figure as the table writes it, in hundredths for megabytes and gigabytes.
std::uint64_t Digits(const std::wstring& figure) {
    std::uint64_t v = 0;
    for (wchar_t c : figure)
        if (c >= L'0' && c <= L'9')
            v = v * 10 + static_cast<std::uint64_t>(c - L'0');
    return v;
}

// A count of bytes in a unit (0 bytes, 1 megabytes, 2 gigabytes) as the table writes it: whole
// bytes, or hundredths rounded half up.
std::uint64_t InUnit(std::uint64_t bytes, int unit) {
    if (unit == 0)
        return bytes;
    const int shift = unit == 1 ? 20 : 30;
    const std::uint64_t rest = bytes & ((std::uint64_t{1} << shift) - 1);
    return (bytes >> shift) * 100 + ((rest * 100 + (std::uint64_t{1} << (shift - 1))) >> shift);
}

struct FakeDrive {
    char letter;
    std::uint64_t total, free;
    std::wstring label;
};

// The drives of real large sizes that wine-env.sh mounted (KELVR_FAKE_DRIVES).
std::vector<FakeDrive> FakeDrives() {
    std::vector<FakeDrive> drives;
    const char* list = std::getenv("KELVR_FAKE_DRIVE_LIST");
    std::istringstream all(list ? list : "");
    std::string one;
    while (std::getline(all, one, ';')) {
        std::istringstream fields(one);
        FakeDrive d{};
        std::string label;
        fields >> d.letter >> d.total >> d.free >> std::ws;
        std::getline(fields, label);
        d.label = win32::Widen(label);
        if (d.letter)
            drives.push_back(d);
    }
    return drives;
}

// What the system reports of a drive: capacity and the space free to the user.
std::pair<std::uint64_t, std::uint64_t> Reported(wchar_t letter) {
    const wchar_t root[] = {letter, L':', L'\\', 0};
    ULARGE_INTEGER available{}, total{}, free{};
    GetDiskFreeSpaceExW(root, &available, &total, &free);
    return {total.QuadPart, available.QuadPart};
}

class Windows : public ::testing::Test, protected probe::RealProgram<> {
  protected:
    void SetUp() override {
        program.Main().Show();
        host.DoEvents();
        main = reinterpret_cast<HWND>(program.Main().hWnd());
    }

    kelvr::FreeAll& Main() { return program.Main(); }

    void Unit(int unit) {
        HMENU units = GetSubMenu(GetMenu(main), 1);
        SendMessageW(main, WM_COMMAND, MAKEWPARAM(GetMenuItemID(units, unit), 0), 0);
    }

    // The window of member k of a control array.
    HWND Cell(forms::ControlArray& column, int k) {
        auto* peer = dynamic_cast<win32::WinControlPeer*>(column[k].Peer());
        return peer ? peer->Window() : nullptr;
    }

    int Drives() { return Main().lbDisco.Count() - 1; }

    // The drive number whose name starts with `letter`; 0 for none.
    int DriveOf(wchar_t letter) {
        for (int k = 1; k <= Drives(); ++k)
            if (probe::Text(Cell(Main().lbDisco, k))[0] == letter)
                return k;
        return 0;
    }

    // The tooltip the main window's tooltips hold for a window; empty for none.
    std::wstring TipOf(HWND tips, HWND w) {
        wchar_t buf[256] = {};
        TOOLINFOW ti{};
        ti.cbSize = sizeof ti;
        ti.hwnd = main;
        ti.uId = reinterpret_cast<UINT_PTR>(w);
        ti.lpszText = buf;
        SendMessageW(tips, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&ti));
        return buf;
    }

    HWND main = nullptr;
};

// Each figure in its own cell, as designed, with every digit, its separators and its trailing
// space inside the cell; in the cell's own font wherever that fits, in narrower or smaller
// type only where it does not. Names show whole or cut short with an ellipsis; headers whole.
TEST_F(Windows, EveryFigureShowsAllItsDigitsInItsCellInEveryUnit) {
    const int dpi = ScreenDpi();
    int narrowed = 0;
    for (int unit : {0, 1, 2}) {
        SCOPED_TRACE("unit " + std::to_string(unit));
        Unit(unit);
        for (int i = 0; i < 4; ++i) {
            EXPECT_TRUE(ShowsWhole(Cell(Main().lbDes, i)));
            EXPECT_TRUE(GrownOnlyAsItsTextNeeds(Cell(Main().lbDes, i), main));
        }
        for (int k = 1; k <= Drives(); ++k) {
            for (forms::ControlArray* column : {&Main().lbDati, &Main().lbFree, &Main().lbTota}) {
                HWND cell = Cell(*column, k);
                const forms::Control& c = (*column)[k];
                const std::wstring text = probe::Text(cell);
                SCOPED_TRACE(win32::Narrow(text));
                RECT r;
                GetWindowRect(cell, &r);
                MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
                const forms::PixelRect designed =
                    forms::TwipsRectToPixels(c.Left(), c.Top(), c.Width(), c.Height(), dpi);
                EXPECT_EQ(r.left, designed.left);
                EXPECT_EQ(r.right - r.left, designed.width);
                EXPECT_EQ(r.bottom - r.top, designed.height);

                const Drawing d = DrawingOf(cell);
                EXPECT_EQ(d.text, text);
                EXPECT_EQ(d.faults, "");
                // The designed font wherever the figure fits in it.
                const LOGFONTW own = FontOf(cell);
                const bool fits = FitsInOwnFont(cell);
                narrowed += !fits;
                for (const DrawnText& p : d.pieces) {
                    const bool same = p.font.lfWidth == own.lfWidth &&
                                      p.font.lfHeight == own.lfHeight &&
                                      std::wstring(p.font.lfFaceName) == own.lfFaceName;
                    EXPECT_EQ(same, fits)
                        << "width " << p.font.lfWidth << ", height " << p.font.lfHeight;
                }
            }
            HWND name = Cell(Main().lbDisco, k);
            const Drawing d = DrawingOf(name);
            const std::wstring text = probe::Text(name);
            const bool cut =
                d.text.size() >= 3 && d.text.substr(d.text.size() - 3) == L"..." && d.text != text;
            EXPECT_TRUE(d.text == text || (cut && text.compare(0, d.text.size() - 3, d.text, 0,
                                                               d.text.size() - 3) == 0))
                << win32::Narrow(text) << " drawn as " << win32::Narrow(d.text);
            EXPECT_EQ(d.faults, "") << win32::Narrow(text);
        }
    }
    if (!FakeDrives().empty()) {
        EXPECT_GT(narrowed, 0) << "no figure was too wide for its cell: the test tested little";
    }
}

// Over drives of 20 TiB, of more than 2^32 clusters, of 2^60 and of 2^64 bytes less a block.
TEST_F(Windows, FiguresAreWhatTheSystemReportsAndSortAsNumbers) {
    const std::vector<FakeDrive> fakes = FakeDrives();
    if (fakes.empty())
        GTEST_SKIP() << "no drives of large sizes here (KELVR_FAKE_DRIVES=1 and FUSE make them)";
    for (const FakeDrive& f : fakes) {  // the test bed: the system reports what was mounted
        EXPECT_EQ(Reported(f.letter), std::make_pair(f.total, f.free)) << f.letter;
        EXPECT_NE(DriveOf(f.letter), 0) << f.letter;
    }
    for (int unit : {0, 1, 2}) {
        SCOPED_TRACE("unit " + std::to_string(unit));
        // C: and D: lie on the machine's own disk, whose free space other programs change at
        // any moment: a drive whose figures moved while it was measured is not compared.
        std::map<wchar_t, std::pair<std::uint64_t, std::uint64_t>> before;
        for (int k = 1; k <= Drives(); ++k) {
            const wchar_t letter = probe::Text(Cell(Main().lbDisco, k))[0];
            before[letter] = Reported(letter);
        }
        Unit(unit);
        int compared = 0;
        for (int k = 1; k <= Drives(); ++k) {
            const wchar_t letter = probe::Text(Cell(Main().lbDisco, k))[0];
            const auto [total, available] = Reported(letter);
            if (before[letter] != std::make_pair(total, available))
                continue;
            ++compared;
            const std::uint64_t used = total > available ? total - available : 0;
            SCOPED_TRACE(std::string(1, static_cast<char>(letter)));
            EXPECT_EQ(Digits(probe::Text(Cell(Main().lbDati, k))), InUnit(used, unit));
            EXPECT_EQ(Digits(probe::Text(Cell(Main().lbFree, k))), InUnit(available, unit));
            EXPECT_EQ(Digits(probe::Text(Cell(Main().lbTota, k))), InUnit(total, unit));
        }
        EXPECT_GE(compared, static_cast<int>(fakes.size()));  // theirs never move
        for (int column : {1, 2, 3}) {
            probe::Click(Cell(Main().lbDes, column));
            forms::ControlArray& cells = column == 1   ? Main().lbDati
                                         : column == 2 ? Main().lbFree
                                                       : Main().lbTota;
            std::vector<std::pair<double, std::uint64_t>> rows;  // top, figure
            for (int k = 1; k <= Drives(); ++k) {
                RECT r;
                GetWindowRect(Cell(cells, k), &r);
                rows.emplace_back(r.top, Digits(probe::Text(Cell(cells, k))));
            }
            std::sort(rows.begin(), rows.end());
            for (std::size_t j = 1; j < rows.size(); ++j)
                EXPECT_LE(rows[j - 1].second, rows[j].second)
                    << "column " << column << ", row " << j;
        }
    }
}

// The window text stays the whole name. A name too long for its cell is cut short with an
// ellipsis and shows whole where the mouse rests on it; one that fits shows whole, with no tip.
TEST_F(Windows, ALongNameIsCutShortWithAnEllipsisAndShowsWholeWhereTheMouseRests) {
    const std::vector<FakeDrive> fakes = FakeDrives();
    if (fakes.empty())
        GTEST_SKIP() << "no drive with a long label here (KELVR_FAKE_DRIVES=1 and FUSE make one)";
    const int k = DriveOf(L'f');
    ASSERT_NE(k, 0);
    HWND cell = Cell(Main().lbDisco, k);
    const std::wstring name = L"f: [" + fakes[0].label + L"]";
    EXPECT_EQ(probe::Text(cell), name);
    // Whether it fits, measured in its font (all its letters are the font's own).
    const bool fits = FitsInOwnFont(cell);
    const Drawing d = DrawingOf(cell);
    EXPECT_EQ(d.faults, "");
    if (fits) {
        EXPECT_EQ(d.text, name);
    } else {
        ASSERT_GT(d.text.size(), 3u);
        EXPECT_EQ(d.text.substr(d.text.size() - 3), L"...");
        EXPECT_EQ(name.compare(0, d.text.size() - 3, d.text, 0, d.text.size() - 3), 0)
            << win32::Narrow(d.text);
    }
    const std::wstring tip = fits ? L"" : name;

    SetForegroundWindow(main);
    RECT r;
    GetWindowRect(cell, &r);
    SetCursorPos(r.left + 4, (r.top + r.bottom) / 2);
    HWND tips = nullptr;
    auto pump = [&](auto done) {
        for (DWORD start = GetTickCount(); !done() && GetTickCount() - start < 3000; Sleep(5)) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        }
        return done();
    };
    ASSERT_TRUE(pump([&] {
        for (HWND w = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr); w;
             w = FindWindowExW(nullptr, w, TOOLTIPS_CLASSW, nullptr))
            if (GetWindow(w, GW_OWNER) == main)
                tips = w;
        return tips != nullptr;
    }));
    EXPECT_EQ(TipOf(tips, cell), tip);
    EXPECT_EQ(TipOf(tips, Cell(Main().lbDisco, DriveOf(L'c'))), L"") << "a name that fits";
    if (fits)
        return;

    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ASSERT_TRUE(pump([&] { return IsWindowVisible(tips) != FALSE; }));
    wchar_t buf[256] = {};
    TOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.lpszText = buf;
    ASSERT_TRUE(SendMessageW(tips, TTM_GETCURRENTTOOLW, 0, reinterpret_cast<LPARAM>(&ti)));
    EXPECT_EQ(ti.uId, reinterpret_cast<UINT_PTR>(cell));
    EXPECT_EQ(std::wstring(buf), name);
}

int CALLBACK Found(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

// Labels in every font and size the windows use, over text in three scripts: each character in
// a font that has it, where the label's own has not (Wine's MS Sans Serif has neither Greek nor
// Japanese, and no font here but WenQuanYi has the latter).
TEST(TextInOtherScripts, IsDrawnInFontsThatHaveIt) {
    HDC screen = GetDC(nullptr);
    for (const wchar_t* face : {L"WenQuanYi Zen Hei", L"DejaVu Sans"}) {
        LOGFONTW want{};
        want.lfCharSet = DEFAULT_CHARSET;
        std::wstring(face).copy(want.lfFaceName, LF_FACESIZE - 1);
        bool found = false;
        EnumFontFamiliesExW(screen, &want, Found, reinterpret_cast<LPARAM>(&found), 0);
        EXPECT_TRUE(found) << win32::Narrow(face) << " is not installed (scripts/deps.sh)";
    }
    ReleaseDC(nullptr, screen);

    const forms::Font fonts[] = {
        {"MS Sans Serif", 8.25, false, false, false},
        {"MS Sans Serif", 12, true, false, false},
        {"Arial", 7, false, false, false},
        {"Arial", 8.25, false, false, false},
        {"Arial", 11.25, true, false, true},
        {"Courier New", 9, false, false, false},
        {"Garamond", 20.25, true, false, false},
    };
    class Sample : public forms::Form {
      public:
        Sample(forms::FormHost& host, const forms::Font* fonts, int count) : Form(host, "Sample") {
            Design(7000, 100 + 650 * count, forms::Border::FixedSingle, false, false, true, 0);
            for (int i = 0; i < count; ++i) {
                labels.push_back(std::make_unique<forms::Control>(forms::Kind::Label, "l", i));
                forms::Control& c = *labels.back();
                c.Move(100, 100 + 650 * i, 6800, 600);
                c.SetFont(fonts[i]);
                c.SetCaption(
                    "Foto \xe6\x97\xa5\xe6\x9c\xac \xce\xa9\xce\xbc\xce\xad\xce\xb3\xce\xb1");
                Register(c);
            }
        }
        std::vector<std::unique_ptr<forms::Control>> labels;
    };
    win32::WinHost host(GetModuleHandleW(nullptr));
    Sample form(host, fonts, sizeof fonts / sizeof *fonts);
    form.Show();
    host.DoEvents();
    const Screen shown = ScreenOf(reinterpret_cast<HWND>(form.hWnd()));
    for (const auto& c : form.labels) {
        HWND w = dynamic_cast<win32::WinControlPeer*>(c->Peer())->Window();
        EXPECT_TRUE(ShowsWhole(w, &shown)) << c->GetFont().name << " " << c->GetFont().size;
    }
    form.Unload();
}

// Every label of the about and maker windows shows whole, and so do the links in bold, as the
// mouse makes them. A label that grows does so no further than its text reaches, or than what
// shows of the window that holds it, where its text narrows instead.
TEST_F(Windows, NoTextOfTheAboutAndMakerWindowsIsClippedHoverIncluded) {
    auto check = [&](HWND form) {
        const std::vector<HWND> labels = Labels(form);
        EXPECT_GE(labels.size(), 5u);
        const Screen screen = ScreenOf(form);
        for (HWND w : labels) {
            EXPECT_TRUE(ShowsWhole(w, &screen));
            EXPECT_TRUE(GrownOnlyAsItsTextNeeds(w, form));
        }
    };
    bool makerChecked = false, aboutChecked = false;
    modal::WhileOpen(
        L"Informazioni sul produttore del SoftWare", L"KelvrForm",
        [&](HWND maker) {
            check(maker);
            const std::vector<Child> children = probe::Children(maker);
            for (const wchar_t* link : {L"info@q.example", L"www.q.example"}) {
                HWND w = probe::Find(children, link)->hwnd;
                RECT r;
                GetClientRect(w, &r);
                SendMessageW(w, WM_MOUSEMOVE, 0, MAKELPARAM(r.right / 2, r.bottom / 2));
                EXPECT_EQ(FontOf(w).lfWeight, FW_BOLD);
                check(maker);
            }
            makerChecked = true;
            PostMessageW(maker, WM_CLOSE, 0, 0);
        },
        [&] { SendMessageW(main, WM_COMMAND, MAKEWPARAM(GetMenuItemID(GetMenu(main), 3), 0), 0); });
    modal::WhileOpen(
        L" Informazioni su Kelvr", L"KelvrForm",
        [&](HWND about) {
            check(about);
            aboutChecked = true;
            PostMessageW(about, WM_CLOSE, 0, 0);
        },
        [&] { SendMessageW(main, WM_COMMAND, MAKEWPARAM(GetMenuItemID(GetMenu(main), 2), 0), 0); });
    EXPECT_TRUE(makerChecked);
    EXPECT_TRUE(aboutChecked);
}

}  // namespace
