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
#include "win32/Painter.h"
#include "win32/Utf.h"
#include "win32/WinForm.h"
#include "win32/WinHost.h"
#include "win32/WinServices.h"

namespace {

using probe::DrawnText;
using probe::Px;

// (The forms here are realised by a WinHost: their peers are its.)
const win32::WinFormPeer& FormPeerOf(const forms::Form& form) {
    return *static_cast<const win32::WinFormPeer*>(form.Peer());
}

// The form a form's window shows.
const forms::Form& FormOf(HWND w) {
    return reinterpret_cast<const win32::WinFormPeer*>(GetWindowLongPtrW(w, GWLP_USERDATA))
        ->Model();
}

const win32::WinControlPeer& PeerOf(const forms::Control& c) {
    return *static_cast<const win32::WinControlPeer*>(c.Peer());
}

std::wstring TextOf(const forms::Control& c) {
    return win32::Widen(c.Caption());
}

std::wstring WithoutSpaces(const std::wstring& s) {
    std::wstring out;
    for (wchar_t c : s)
        if (c != L' ' && c != L'\n' && c != L'\r')
            out += c;
    return out;
}

LOGFONTW FontOf(const forms::Control& c) {
    LOGFONTW f{};
    GetObjectW(PeerOf(c).Font(), sizeof f, &f);
    return f;
}

// Whether a cell's text fits inside its sunken edge, as much of it as shows, in its own font.
bool FitsInOwnFont(const forms::Control& cell) {
    const std::wstring text = TextOf(cell);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, PeerOf(cell).Font());
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    const RECT& shows = PeerOf(cell).TextBox();  // its box, but for what lies past the window
    return size.cx <= shows.right - shows.left - 4;
}

// How a label draws its text, recorded as its form's window draws it (in the form's client
// pixels): the pieces, joined, and what is wrong with any of them: ink outside the label's
// room (inside its sunken edge, if it has one, and, `withinWindow`, within what shows of the
// window and of the frame that holds it); ink under an opaque control drawn over it; or a font
// without a glyph for one of its characters.
struct Drawing {
    std::wstring text;
    std::vector<DrawnText> pieces;
    std::string faults;
};

Drawing DrawingOf(const forms::Form& form, const forms::Control& c, bool withinWindow) {
    Drawing d;
    const win32::WinFormPeer& f = FormPeerOf(form);
    const win32::WinControlPeer& peer = PeerOf(c);
    d.pieces = probe::TextsDrawnBy([&](HDC dc) {
        win32::PaintControl(dc, peer, {f.Host(), form, f.Dpi(), f.Host().HighContrast()});
    });
    RECT room = peer.Box();
    if (c.HasBorder())
        InflateRect(&room, -2, -2);
    const RECT shows = f.Room(c);
    if (withinWindow)
        IntersectRect(&room, &room, &shows);
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
        for (const win32::WinControlPeer* above : f.Stack()) {
            if (above == &peer)
                break;
            const forms::Control& o = above->Model();
            RECT over;
            if (above->Shown() && o.Container() == c.Container() &&
                (o.Kind() != forms::Kind::Label || o.Opaque()) &&
                IntersectRect(&over, &above->Box(), &p.ink))
                faults << piece << " under " << o.FullName() << "; ";
        }
        const std::wstring missing = probe::Missing(p.font, p.text);
        if (!missing.empty())
            faults << piece << " in " << win32::Narrow(p.font.lfFaceName) << " without \""
                   << win32::Narrow(missing) << "\"; ";
    }
    d.faults = faults.str();
    return d;
}

// Whether a label shows the whole of its text (line breaks, and the spaces where its lines
// wrap, aside), with nothing wrong (see Drawing).
::testing::AssertionResult ShowsWhole(const forms::Form& form, const forms::Control& c) {
    const Drawing d = DrawingOf(form, c, true);
    const std::wstring text = TextOf(c);
    if (WithoutSpaces(d.text) != WithoutSpaces(text))
        return ::testing::AssertionFailure()
               << "\"" << win32::Narrow(text) << "\" drawn as \"" << win32::Narrow(d.text) << "\"";
    if (!d.faults.empty())
        return ::testing::AssertionFailure() << d.faults;
    return ::testing::AssertionSuccess();
}

// Whether a label's box is its designed rectangle or one grown from it no further than its
// text reaches (the text touches every edge moved), or than what shows of the window and frame
// that hold it, where its text is narrower.
::testing::AssertionResult GrownOnlyAsItsTextNeeds(const forms::Form& form,
                                                   const forms::Control& c) {
    double x = c.Left(), y = c.Top();
    for (const forms::Control* p = c.Container(); p; p = p->Container()) {
        x += p->Left();
        y += p->Top();
    }
    const forms::PixelRect d =
        forms::TwipsRectToPixels(x, y, c.Width(), c.Height(), probe::ScreenDpi());
    const RECT r = PeerOf(c).Box();
    const RECT room = FormPeerOf(form).Room(c);
    const std::vector<DrawnText> pieces = DrawingOf(form, c, true).pieces;
    RECT text{r.right, r.bottom, r.left, r.top};  // the pieces' boxes
    bool narrowed = false;
    for (const DrawnText& p : pieces) {
        text.left = std::min(text.left, p.box.left);
        text.right = std::max(text.right, p.box.right);
        text.bottom = std::max(text.bottom, p.box.bottom);
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
           << "\"" << win32::Narrow(TextOf(c)) << "\" at " << r.left << "," << r.top << "-"
           << r.right << "," << r.bottom << ", designed " << d.left << "," << d.top << "-"
           << d.left + d.width << "," << d.top + d.height << ", text to " << text.left << "-"
           << text.right << "," << text.bottom << ": " << wrong.str();
}

// The labels a form shows, but for one in a symbol font, which shows a picture.
std::vector<const forms::Control*> Labels(const forms::Form& form) {
    std::vector<const forms::Control*> labels;
    for (const forms::Control* c : form.Controls())
        if (c->Kind() == forms::Kind::Label && PeerOf(*c).Shown() && !c->Caption().empty() &&
            FontOf(*c).lfCharSet != SYMBOL_CHARSET)
            labels.push_back(c);
    return labels;
}

// The text of the tooltip that answers over `r` in a form's tooltips; empty for none.
std::wstring TipOver(HWND tips, const RECT& r) {
    for (const probe::Tool& t : probe::Tools(tips))
        if (EqualRect(&t.rect, &r))
            return t.text;
    return L"";
}

// A figure as the table writes it, its digits alone.
std::uint64_t Digits(const std::wstring& figure) {
    std::uint64_t v = 0;
    for (wchar_t c : figure)
        if (c >= L'0' && c <= L'9')
            v = v * 10 + static_cast<std::uint64_t>(c - L'0');
    return v;
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

class Windows : public probe::ShownProgram<> {
  protected:
    void Unit(int unit) { probe::MenuCommand(main, 1, unit); }

    int Drives() { return Main().lbDisco.Count() - 1; }

    // The drive number whose name starts with `letter`; 0 for none.
    int DriveOf(wchar_t letter) {
        for (int k = 1; k <= Drives(); ++k)
            if (TextOf(Main().lbDisco[k])[0] == letter)
                return k;
        return 0;
    }
};

// Each figure in its own cell, as designed, with every digit, its separators and its trailing
// space inside the cell; in the cell's own font wherever that fits, in narrower or smaller
// type only where it does not. Names show whole or cut short with an ellipsis; headers whole.
TEST_F(Windows, EveryFigureShowsAllItsDigitsInItsCellInEveryUnit) {
    const int dpi = probe::ScreenDpi();
    int narrowed = 0;
    for (int unit : {0, 1, 2}) {
        SCOPED_TRACE("unit " + std::to_string(unit));
        Unit(unit);
        for (int i = 0; i < 4; ++i) {
            EXPECT_TRUE(ShowsWhole(Main(), Main().lbDes[i]));
            EXPECT_TRUE(GrownOnlyAsItsTextNeeds(Main(), Main().lbDes[i]));
        }
        for (int k = 1; k <= Drives(); ++k) {
            for (forms::ControlArray* column : {&Main().lbDati, &Main().lbFree, &Main().lbTota}) {
                const forms::Control& c = (*column)[k];
                const std::wstring text = TextOf(c);
                SCOPED_TRACE(win32::Narrow(text));
                const RECT& r = PeerOf(c).Box();
                const forms::PixelRect designed = forms::TwipsRectToPixels(
                    c.Left(), Main().ScreenTop(c), c.Width(), c.Height(), dpi);
                EXPECT_EQ(r.left, designed.left);
                EXPECT_EQ(r.right - r.left, designed.width);
                EXPECT_EQ(r.bottom - r.top, designed.height);

                const Drawing d = DrawingOf(Main(), c, false);
                EXPECT_EQ(d.text, text);
                EXPECT_EQ(d.faults, "");
                // The designed font wherever the figure fits in it.
                const LOGFONTW own = FontOf(c);
                const bool fits = FitsInOwnFont(c);
                narrowed += !fits;
                for (const DrawnText& p : d.pieces) {
                    const bool same = p.font.lfWidth == own.lfWidth &&
                                      p.font.lfHeight == own.lfHeight &&
                                      std::wstring(p.font.lfFaceName) == own.lfFaceName;
                    EXPECT_EQ(same, fits)
                        << "width " << p.font.lfWidth << ", height " << p.font.lfHeight;
                }
            }
            const forms::Control& name = Main().lbDisco[k];
            const Drawing d = DrawingOf(Main(), name, false);
            const std::wstring text = TextOf(name);
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

// Over drives of 20 TiB, of more than 2^32 clusters, of 2^60 and of 2^64 bytes less a block:
// the figures a screen reader reads, in bytes, are what the system reports. (The same sizes in
// megabytes and gigabytes, and their order, are tested natively.)
TEST_F(Windows, FiguresAreWhatTheSystemReports) {
    const std::vector<FakeDrive> fakes = FakeDrives();
    if (fakes.empty())
        GTEST_SKIP() << "no drives of large sizes here (KELVR_FAKE_DRIVES=1 and FUSE make them)";
    for (const FakeDrive& f : fakes) {  // the test bed: the system reports what was mounted
        EXPECT_EQ(Reported(f.letter), std::make_pair(f.total, f.free)) << f.letter;
        EXPECT_NE(DriveOf(f.letter), 0) << f.letter;
    }
    // C: and D: lie on the machine's own disk, whose free space other programs change at any
    // moment: a drive whose figures moved while it was measured is not compared.
    std::map<wchar_t, std::pair<std::uint64_t, std::uint64_t>> before;
    for (const probe::Row& row : probe::Table(main)) before[row.name[0]] = Reported(row.name[0]);
    Unit(0);
    int compared = 0;
    for (const probe::Row& row : probe::Table(main)) {
        const wchar_t letter = row.name[0];
        const auto [total, available] = Reported(letter);
        if (before[letter] != std::make_pair(total, available))
            continue;
        ++compared;
        SCOPED_TRACE(std::string(1, static_cast<char>(letter)));
        EXPECT_EQ(Digits(row.figures[0]), total > available ? total - available : 0);
        EXPECT_EQ(Digits(row.figures[1]), available);
        EXPECT_EQ(Digits(row.figures[2]), total);
    }
    EXPECT_GE(compared, static_cast<int>(fakes.size()));  // theirs never move
}

// The name stays whole to a screen reader. A name too long for its cell is cut short with an
// ellipsis and shows whole where the mouse rests on it; one that fits shows whole, with no tip.
TEST_F(Windows, ALongNameIsCutShortWithAnEllipsisAndShowsWholeWhereTheMouseRests) {
    const std::vector<FakeDrive> fakes = FakeDrives();
    if (fakes.empty())
        GTEST_SKIP() << "no drive with a long label here (KELVR_FAKE_DRIVES=1 and FUSE make one)";
    const int k = DriveOf(L'f');
    ASSERT_NE(k, 0);
    const forms::Control& cell = Main().lbDisco[k];
    const std::wstring name = L"f: [" + fakes[0].label + L"]";
    EXPECT_NE(probe::Named(probe::Read(main), name), nullptr);
    // Cut short exactly where it does not fit, measured in its font (all its letters are the
    // font's own). (How a name is cut short, and that it is drawn without a fault, is
    // EveryFigureShowsAllItsDigitsInItsCellInEveryUnit's, for every drive.)
    const bool fits = FitsInOwnFont(cell);
    EXPECT_EQ(DrawingOf(Main(), cell, false).text == name, fits);
    const std::wstring tip = fits ? L"" : name;

    const RECT r = PeerOf(cell).Box();
    const HWND tips = probe::MouseTo(main, {r.left + 4, (r.top + r.bottom) / 2});
    ASSERT_NE(tips, nullptr);
    EXPECT_EQ(TipOver(tips, r), tip);
    EXPECT_EQ(TipOver(tips, PeerOf(Main().lbDisco[DriveOf(L'c')]).Box()), L"")
        << "a name that fits";
    if (!fits) {
        EXPECT_EQ(probe::TipOnRest(main, r), name);
    }
}

int CALLBACK Found(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

// Labels in every font and size the windows use, over text in three scripts: each character in
// a font that has it, where the label's own has not (Wine's MS Sans Serif has neither Greek nor
// Japanese, and no font here but WenQuanYi has the latter). An accent stored apart from its
// letter (as names made elsewhere may come) is drawn on it, as the one character they make.
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
                    "Foto \xe6\x97\xa5\xe6\x9c\xac \xce\xa9\xce\xbc\xce\xad\xce\xb3\xce\xb1 "
                    "Cafe\xcc\x81");
                Register(c);
            }
        }
        std::vector<std::unique_ptr<forms::Control>> labels;
    };
    win32::WinHost host(GetModuleHandleW(nullptr));
    Sample form(host, fonts, sizeof fonts / sizeof *fonts);
    form.Show();
    host.DoEvents();
    EXPECT_EQ(probe::Unlike(reinterpret_cast<HWND>(form.hWnd())), 0);
    for (const auto& c : form.labels) {
        SCOPED_TRACE(c->GetFont().name + " " + std::to_string(c->GetFont().size));
        const Drawing d = DrawingOf(form, *c, true);
        EXPECT_EQ(WithoutSpaces(d.text),
                  L"Foto\u65E5\u672C\u03A9\u03BC\u03AD\u03B3\u03B1Caf\u00E9");
        EXPECT_EQ(d.faults, "");
    }
    form.Unload();
}

// Every label of the about and maker windows shows whole, and so do the links in bold, as the
// mouse makes them. A label that grows does so no further than its text reaches, or than what
// shows of the window that holds it, where its text narrows instead.
TEST_F(Windows, NoTextOfTheAboutAndMakerWindowsIsClippedHoverIncluded) {
    auto check = [&](const forms::Form& form) {
        const std::vector<const forms::Control*> labels = Labels(form);
        EXPECT_GE(labels.size(), 5u);
        EXPECT_EQ(probe::Unlike(reinterpret_cast<HWND>(FormPeerOf(form).Window())), 0);
        for (const forms::Control* c : labels) {
            EXPECT_TRUE(ShowsWhole(form, *c));
            EXPECT_TRUE(GrownOnlyAsItsTextNeeds(form, *c));
        }
    };
    EXPECT_TRUE(modal::InMaker(main, [&](HWND maker) {
        kelvr::InfQirvo& form = program.Maker();
        check(form);
        for (const forms::Control* link : {&form.lbMail, &form.lbSito}) {
            const RECT& r = PeerOf(*link).Box();
            SendMessageW(maker, WM_MOUSEMOVE, 0,
                         MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
            EXPECT_EQ(FontOf(*link).lfWeight, FW_BOLD);
            check(form);
        }
    }));
    EXPECT_TRUE(
        modal::FromMenu(main, 2, modal::kAboutCaption, [&](HWND about) { check(FormOf(about)); }));
}

}  // namespace
