// FreeAll, the main window: one row per drive with its used, free and total space and a usage
// bar, ordered by the column whose header was clicked last, in the unit chosen in the menu.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms/DriveList.h"
#include "forms/Form.h"
#include "forms/SortedList.h"
#include "main/DriveReader.h"
#include "main/Services.h"

namespace kelvr {

class FreeAll : public forms::Form {
  public:
    explicit FreeAll(const Services& services);

    // Opened by the menu items "Su Kelv&aro" and "Su &QIRVO"; the program sets them.
    std::function<void()> ShowAbout;
    std::function<void()> ShowMaker;

    // The menu's items, the headers and the sort keys (Ctrl+1 to Ctrl+4) call these.
    void Mu_end_Click();
    void Mu_param_Click(int index);
    void Mu_Progr_Click();
    void Mu_Qirvo_Click();
    void lbDes_Click(int index);
    bool Form_KeyDown(int key, int shift);

    // Measurement and display. MeasureAll asks every drive at once and waits for them up to
    // kDriveWait in all; a drive that answers later is filed then (DrivesAnswered).
    void MeasureAll();
    void MeasureDrive(const std::string& name, std::int16_t k);
    void DrivesAnswered();
    void ShowOrdered();
    void ShowDrive(std::int16_t j, std::int16_t k);

    // The column the rows are ordered by, the unit of the figures, and the drive table, by
    // drive number (index 0 unused).
    std::uint8_t SortColumn = 0;
    std::int16_t UnitIndex = 1;
    std::vector<std::string> DriveName;
    std::vector<double> SpaceUsed, SpaceFree, SpaceTotal;

    // The headers and, by drive number, each row's name, figures and bar (member 0 the hidden
    // model of a row); the drive list and the hidden sort lists, one a column.
    forms::ControlArray lbDes, lbDisco, lbDati, lbFree, lbTota, SpTot, SpFree;
    forms::DriveList Drive1;
    forms::SortedList cmbDisco, cmbDati, cmbFree, cmbTota;
    forms::MenuItem Mu_end, Mu_unita, Mu_Progr, Mu_Qirvo;
    forms::MenuItem Mu_param0, Mu_param1, Mu_param2;
    forms::MenuItem* Mu_param[3];

    // Patterns of the figures and of the sort keys, by unit. The keys are zero-padded to the
    // widest figure a 64-bit byte count can give in that unit, so that their text order is
    // their numeric order.
    static const char* DisplayPattern(int unit);
    static const char* KeyPattern(int unit);
    // A bar's value to a screen reader: the used share of the drive ("70 %").
    static std::string UsedShare(double used, double total);

    // The longest the window waits for the drives, at start-up and at each unit choice.
    static constexpr std::chrono::milliseconds kDriveWait{2000};

  protected:
    void Form_Load() override;

  private:
    static constexpr int kNumpad1 = 0x61;  // the key 1 of the numeric keypad

    forms::SortedList& ListOfColumn(int column);
    // Files every drive, in list order, from what the drives have answered so far.
    void FileAnswers();

    const Services services_;
    DriveReader reader_;
};

}  // namespace kelvr
