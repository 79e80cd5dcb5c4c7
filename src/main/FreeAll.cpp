#include "main/FreeAll.h"

#include <algorithm>

#include "ResourceIds.h"
#include "Version.h"
#include "forms/Format.h"

namespace kelvr {

using forms::Align;
using forms::Control;
using forms::Kind;
using forms::Rgb;

namespace {

constexpr double kMegabyte = 1048576.0;
constexpr double kGigabyte = 1073741824.0;
constexpr int kRowPitch = 600;  // twips from one row to the next
// The frame, caption and menu bar that the window's outer size was designed around: Windows'
// classic ones, borders of 4 pixels, a caption and a menu bar of 19.
constexpr double kDesignFrameWidth = 120, kDesignFrameHeight = 690;

// A cell of the row's model, which every drive's row copies: sunken, hidden until a row is made
// of it, and drawn on the window colour: white in every usual scheme, where the title-bar text
// colour of the classic palette is black on current Windows and would hide the figures. Its
// text takes the window text colour that goes with it: in a scheme of the user's own making
// the button text colour may not show on it.
void DesignCell(Control& c, double left, double width, double height, forms::TextFit fit) {
    c.Move(left, 315, width, height);
    c.SetScrolls(true);
    c.SetBorder(true);
    c.SetBackColor(forms::kWindowBackground);
    c.SetForeColor(forms::kWindowText);
    c.SetFit(fit);
    c.SetVisible(false);
}

// A part of the row's model's bar.
void DesignBar(Control& c, double width, forms::Color color, forms::Role role) {
    c.Move(2340, 630, width, 240);
    c.SetBackColor(color);
    c.SetScrolls(true);
    c.SetVisible(false);
    c.SetAccessibleRole(role);
}

}  // namespace

FreeAll::FreeAll(const Services& services)
    : Form(services.host, "FreeAll"),
      lbDes(*this, Kind::Label, "lbDes"),
      lbDisco(*this, Kind::Label, "lbDisco"),
      lbDati(*this, Kind::Label, "lbDati"),
      lbFree(*this, Kind::Label, "lbFree"),
      lbTota(*this, Kind::Label, "lbTota"),
      SpTot(*this, Kind::Shape, "SpTot"),
      SpFree(*this, Kind::Shape, "SpFree"),
      Mu_end(*this, "Mu_end", "&Fine"),
      Mu_unita(*this, "Mu_unita", "&Unità"),
      Mu_Progr(*this, "Mu_Progr", "Su Kelv&aro"),
      Mu_Qirvo(*this, "Mu_Qirvo", "Su &QIRVO"),
      Mu_param0(*this, "Mu_param", "&Byte", 0),
      Mu_param1(*this, "Mu_param", "&MegaByte", 1),
      Mu_param2(*this, "Mu_param", "&GigaByte", 2),
      Mu_param{&Mu_param0, &Mu_param1, &Mu_param2},
      services_(services),
      reader_(services.host, services.drives, services.disks, [this] { DrivesAnswered(); }) {
    Design(8295, 1365, forms::Border::Sizable, true, true, true, IDI_KELVR);
    SetCaption(KELVR_TITLE);

    struct Header {
        double left, width;
        const char* caption;
        const char* tip;
    };
    const Header headers[4] = {{135, 2115, "Drive", ""},
                               {2340, 1890, "Byte utilizzati", "Ordina per spazio utilizzato"},
                               {4410, 1800, "Byte disponibili", "Ordina per spazio disponibile"},
                               {6390, 1755, "Byte TOTALI", "Ordina per capacità totale"}};
    for (int i = 0; i < 4; ++i) {
        Control& h = lbDes.Add(i);
        h.Move(headers[i].left, 45, headers[i].width, 195);
        h.SetOpaque(false);
        h.SetAlignment(Align::Center);
        h.SetCaption(headers[i].caption);
        h.SetToolTip(headers[i].tip);
        h.SetAccessibleRole(forms::Role::ColumnHeader);
        h.SetAccessibleShortcut("Ctrl+" + std::to_string(i + 1));
        h.Click = [this, i] { lbDes_Click(i); };
    }
    KeyDown = [this](int key, int shift) { return Form_KeyDown(key, shift); };

    // A long volume label or share name is cut short, and shows whole where the mouse points.
    DesignCell(lbDisco.Add(0), 45, 2265, 285, forms::TextFit::Ellipsis);
    lbDisco[0].SetCaption("lbDisco");
    // A figure too wide for its cell (a disk of terabytes counted in bytes, a large scale) is
    // drawn in narrower type rather than lose a digit at the cell's edge.
    for (const auto& [figures, left] :
         {std::pair{&lbDati, 2340}, {&lbFree, 4320}, {&lbTota, 6300}}) {
        Control& c = figures->Add(0);
        DesignCell(c, left, 1950, 300, forms::TextFit::Shrink);
        c.SetAlignment(Align::Right);
        c.SetFont({"Courier New", 9, false, false, false});
    }
    // To a screen reader the bar is one progress bar, named after its drive, whose value is the
    // used share; the fill, drawn in front of the outline, is its indicator.
    DesignBar(SpTot.Add(0), 5910, Rgb(128, 255, 128), forms::Role::ProgressBar);
    DesignBar(SpFree.Add(0), 3795, Rgb(255, 128, 128), forms::Role::Indicator);
    // The rows scroll by whole rows below the headers, which stay, when the window is too low
    // for them all (many drives, a small screen, a window made lower).
    SetScrollArea(270, kRowPitch, 45);

    Mu_end.Click = [this] { Mu_end_Click(); };
    for (int i = 0; i < 3; ++i) {
        Mu_unita.AddItem(*Mu_param[i]);
        Mu_param[i]->Click = [this, i] { Mu_param_Click(i); };
    }
    Mu_param1.SetChecked(true);
    Mu_Progr.Click = [this] { Mu_Progr_Click(); };
    Mu_Qirvo.Click = [this] { Mu_Qirvo_Click(); };
    for (forms::MenuItem* item : {&Mu_end, &Mu_unita, &Mu_Progr, &Mu_Qirvo}) AddMenu(*item);

    // The drive list is read as the window is made, as the drive list control reads it: the
    // drives' names are on their way while the program goes on starting.
    reader_.Start();
}

const char* FreeAll::DisplayPattern(int unit) {
    return unit == 0 ? "###,###,###,##0" : "###,##0.00";
}

const char* FreeAll::KeyPattern(int unit) {
    // 2^64 bytes has 20 digits; in megabytes 14 integer digits, in gigabytes 11.
    return unit == 0 ? "00,000,000,000,000,000,000" : "00,000,000,000,000.00";
}

void FreeAll::Form_Load() {
    const std::string spaces(17, ' ');
    SetCaption(" Kelvaro  -  Spazio dei Drive" + spaces + "by QIRVO sas" + spaces +
               forms::FormatDate(services_.clock.Today(), "dd/mm/yy"));

    cmbDisco.Clear();
    cmbDati.Clear();
    cmbFree.Clear();
    cmbTota.Clear();
    UnitIndex = 1;
    SortColumn = 0;

    std::vector<std::string> entries;
    for (int i = 0; i < reader_.Count(); ++i) entries.push_back(reader_.Entry(i));
    Drive1.Fill(entries);
    const int n = Drive1.ListCount();
    // Later Windows draw the frame, caption and menu bar larger (from XP's themes on): the window
    // grows by what they take past the design's, so that the table shows whole, with its
    // margins, and no scroll bar comes for it.
    const double width = 8410 + std::max(0.0, FrameWidth() - kDesignFrameWidth);
    double height = n * kRowPitch + 1000 + std::max(0.0, FrameHeight() - kDesignFrameHeight);
    // The window stands and fits in what the task bar leaves of the screen (all of it, with
    // the bar hidden): a row or the scroll bar's arrow behind the bar could not be reached.
    const forms::Area work = services_.screen.WorkArea();
    if (height > work.height)
        height = work.height - 40;
    Move(work.left + 300, work.top, width, height);

    DriveName.assign(n + 1, std::string());
    SpaceUsed.assign(n + 1, 0.0);
    SpaceFree.assign(n + 1, 0.0);
    SpaceTotal.assign(n + 1, 0.0);

    for (int k = 1; k <= n; ++k) {
        forms::ControlArray* row[] = {&lbDisco, &lbDati, &lbFree, &lbTota, &SpTot, &SpFree};
        for (auto* a : row) a->Load(k);
        for (auto* a : row) (*a)[k].SetVisible(true);
        SpFree[k].ZOrder();
    }

    Mu_param_Click(1);
}

void FreeAll::Mu_end_Click() {
    Unload();
}

void FreeAll::Mu_Progr_Click() {
    if (ShowAbout)
        ShowAbout();
}

void FreeAll::Mu_Qirvo_Click() {
    if (ShowMaker)
        ShowMaker();
}

void FreeAll::Mu_param_Click(int index) {
    for (int i = 0; i < 3; ++i) Mu_param[i]->SetChecked(i == index);
    UnitIndex = static_cast<std::int16_t>(index);
    const std::string prefix = index == 1 ? "M" : index == 2 ? "G" : "";
    lbDes[1].SetCaption(prefix + "Byte utilizzati");
    lbDes[2].SetCaption(prefix + "Byte disponibili");
    lbDes[3].SetCaption(prefix + "Byte TOTALI");
    MeasureAll();
    ShowOrdered();
}

// Ctrl+1 to Ctrl+4 (on the main or the numeric keypad) do what a click on the headers does,
// in column order: the table sorts without the mouse, and nothing on the window changes.
bool FreeAll::Form_KeyDown(int key, int shift) {
    if (shift != forms::kCtrlMask)
        return false;
    const int column = key >= '1' && key <= '4'                 ? key - '1'
                       : key >= kNumpad1 && key <= kNumpad1 + 3 ? key - kNumpad1
                                                                : -1;
    if (column < 0)
        return false;
    lbDes_Click(column);
    return true;
}

void FreeAll::lbDes_Click(int index) {
    SortColumn = static_cast<std::uint8_t>(index);
    ShowOrdered();
}

// The sort lists are emptied and filled again, in list order, once the wait is over.
void FreeAll::MeasureAll() {
    reader_.AskFigures();
    SetMousePointer(forms::kHourglass);
    services_.host.WaitFor([this] { return reader_.Answered(); },
                           std::chrono::steady_clock::now() + kDriveWait);
    reader_.StopWaiting();
    SetMousePointer(forms::kDefaultPointer);
    FileAnswers();
}

void FreeAll::FileAnswers() {
    reader_.TakeNews();
    cmbDisco.Clear();
    cmbDati.Clear();
    cmbFree.Clear();
    cmbTota.Clear();
    const int n = Drive1.ListCount();
    for (int i = 0; i < n; ++i) {
        Drive1.SetList(i, reader_.Entry(i));
        MeasureDrive(Drive1.List(i), static_cast<std::int16_t>(i + 1));
    }
}

// A drive answered after the window stopped waiting for it: it is filed as if it had answered
// in time, the others from what they answered then, and the rows are shown again in the order
// of the current column.
void FreeAll::DrivesAnswered() {
    if (!IsLoaded() || !reader_.TakeNews())
        return;
    FileAnswers();
    ShowOrdered();
}

void FreeAll::MeasureDrive(const std::string& name, std::int16_t k) {
    const services::DiskFigures d = reader_.Figures(k - 1);
    double freeBytes = static_cast<double>(d.freeBytes);
    double totalBytes = static_cast<double>(d.totalBytes);
    // A drive that reports more free space than capacity shows nothing used, not a negative.
    double usedBytes = totalBytes > freeBytes ? totalBytes - freeBytes : 0.0;

    const double divisor = UnitIndex == 1 ? kMegabyte : UnitIndex == 2 ? kGigabyte : 1.0;
    SpaceFree[k] = freeBytes / divisor;
    SpaceTotal[k] = totalBytes / divisor;
    SpaceUsed[k] = usedBytes / divisor;

    const services::NumberSeparators seps = services_.locale.Separators();
    const char* pattern = KeyPattern(UnitIndex);
    const std::string freeKey = forms::FormatNumber(SpaceFree[k], pattern, seps) + " ";
    const std::string usedKey = forms::FormatNumber(SpaceUsed[k], pattern, seps) + " ";
    const std::string totalKey = forms::FormatNumber(SpaceTotal[k], pattern, seps) + " ";

    DriveName[k] = name;
    cmbDisco.AddItem(DriveName[k]);
    cmbDisco.SetItemData(cmbDisco.NewIndex(), k);
    cmbFree.AddItem(freeKey);
    cmbFree.SetItemData(cmbFree.NewIndex(), k);
    cmbDati.AddItem(usedKey);
    cmbDati.SetItemData(cmbDati.NewIndex(), k);
    cmbTota.AddItem(totalKey);
    cmbTota.SetItemData(cmbTota.NewIndex(), k);
}

forms::SortedList& FreeAll::ListOfColumn(int column) {
    switch (column) {
        case 1:
            return cmbDati;
        case 2:
            return cmbFree;
        case 3:
            return cmbTota;
        default:
            return cmbDisco;
    }
}

void FreeAll::ShowOrdered() {
    const forms::SortedList& list = ListOfColumn(SortColumn);
    for (int j = 0; j < list.ListCount(); ++j)
        ShowDrive(static_cast<std::int16_t>(j), static_cast<std::int16_t>(list.ItemData(j)));
}

void FreeAll::ShowDrive(std::int16_t j, std::int16_t k) {
    lbDisco[k].SetCaption(DriveName[k]);
    const services::NumberSeparators seps = services_.locale.Separators();
    const char* pattern = DisplayPattern(UnitIndex);
    lbDati[k].SetCaption(forms::FormatNumber(SpaceUsed[k], pattern, seps) + " ");
    lbFree[k].SetCaption(forms::FormatNumber(SpaceFree[k], pattern, seps) + " ");
    lbTota[k].SetCaption(forms::FormatNumber(SpaceTotal[k], pattern, seps) + " ");

    const int labelTop = j * kRowPitch + 270;
    const int barTop = j * kRowPitch + 580;
    for (forms::ControlArray* a : {&lbDisco, &lbDati, &lbFree, &lbTota}) (*a)[k].SetTop(labelTop);
    SpTot[k].SetTop(barTop);
    SpFree[k].SetTop(barTop);

    if (SpaceTotal[k] > 0)
        SpFree[k].SetWidth(static_cast<float>(SpTot[k].Width() * SpaceUsed[k] / SpaceTotal[k]));
    else
        SpFree[k].SetWidth(SpaceTotal[k]);
    const std::string share = UsedShare(SpaceUsed[k], SpaceTotal[k]);
    for (forms::ControlArray* a : {&SpTot, &SpFree}) {
        (*a)[k].SetAccessibleName(DriveName[k]);
        (*a)[k].SetAccessibleValue(share);
    }
}

// Whole percents, as a progress bar reads; but a drive with anything used is not read as
// empty, nor one with anything free as full.
std::string FreeAll::UsedShare(double used, double total) {
    if (!(total > 0) || !(used > 0))
        return "0 %";
    if (used >= total)
        return "100 %";
    const double percent = used * 100 / total;
    const int whole = std::min(99, std::max(1, static_cast<int>(percent + 0.5)));
    return std::to_string(whole) + " %";
}

}  // namespace kelvr
