// The options dialog: grid columns, emergency settings, PHG plotting, age
// and locator formats. Every change takes effect in memory at once; the
// buttons decide whether the grid is rebuilt and the settings file written.
#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QWidget>
#include <array>
#include <string>

#include "support/settings.h"

namespace bb::windows {

// What the dialog's buttons ask of the board.
class OptionsActions {
  public:
    virtual ~OptionsActions() = default;
    // The caption of the grid's column `column`.
    virtual std::string ColumnTitle(int column) = 0;
    // Takes the ticked columns into the grid.
    virtual void SelectColumns() = 0;
    // Rebuilds the grid for the settings as they are now.
    virtual void RebuildGrid() = 0;
    // Writes the settings file.
    virtual void SaveSettings() = 0;
};

struct OptionsServices {
    ColumnVisibility* columns = nullptr;
    SettingValues* values = &Settings();
    OptionsActions* board = nullptr;  // none: the buttons only close
};

// A number as the user types it, with the locale's decimal separator;
// error 13 for anything else, the empty text included.
double LocaleNumber(const std::string& text, char decimal);

class frmOptions final : public QWidget {
    Q_OBJECT
  public:
    explicit frmOptions(OptionsServices services, QWidget* parent = nullptr);

    void Form_Load();
    void cmdOK_Click();
    void cmdApply_Click();
    void cmdCancel_Click();
    void txtEmergencyIgnoreDistance_Change();
    void WatchEditChanged();

    QTabWidget* tbsOptions;
    std::array<QCheckBox*, 18> chkField{};
    QCheckBox *chkEmergencyScan, *chkEmergencySoundAlarm, *chkEmergencyPlot,
        *chkEmergencyIgnoreDistance, *NotifyBox;
    QLineEdit* txtEmergencyIgnoreDistance;
    QCheckBox *ChkOptRadioHRD, *ChkOptRadioDXL, *ToneAndOffsetBox;
    QCheckBox* chkPHG;
    // The alerts: the watch list, and the distance and minutes (0: off).
    QLineEdit* WatchEdit;
    QSpinBox *NearKmBox, *QuietMinutesBox;
    QRadioButton* optLanguages;
    std::array<QRadioButton*, 3> optLocator{};
    std::array<QRadioButton*, 2> optUnits{};
    std::array<QRadioButton*, 2> optAge{};
    QPushButton *cmdOK, *cmdApply, *cmdCancel;

  private:
    QWidget* Page(const char* caption);
    QCheckBox* Check(QWidget* page, const char* caption, int top, bool SettingValues::*setting,
                     const char* procedure);

    OptionsServices services_;
};

}  // namespace bb::windows
